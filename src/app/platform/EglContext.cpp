// Headless EGL context creation.
#include "app/platform/EglContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

namespace {

EGLDisplay OpenDisplay()
{
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base"))
        return EGL_NO_DISPLAY;
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay d = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr))
            return d;
    }
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[8];
        EGLint count = 0;
        if (eglQueryDevicesEXT(8, devices, &count)) {
            for (EGLint i = 0; i < count; ++i) {
                EGLDisplay d = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr))
                    return d;
            }
        }
    }
    return EGL_NO_DISPLAY;
}

} // namespace

std::unique_ptr<CEglContext> CEglContext::Create(std::string& error)
{
    std::unique_ptr<CEglContext> ctx(new CEglContext());
    EGLDisplay display = OpenDisplay();
    if (display == EGL_NO_DISPLAY) {
        error = "no EGL display for headless rendering (install Mesa's EGL driver, libegl-mesa0)";
        return nullptr;
    }
    ctx->m_Display = display;
    if (!eglBindAPI(EGL_OPENGL_API) || !epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
        error = "this EGL driver cannot run desktop OpenGL without a surface";
        return nullptr;
    }
    EGLConfig config = nullptr;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
        const EGLint want[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
        EGLint n = 0;
        if (!eglChooseConfig(display, want, &config, 1, &n) || n < 1) {
            error = "no EGL configuration for desktop OpenGL";
            return nullptr;
        }
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error = "the GL driver offers no OpenGL 4.5 core context (Mesa 20 or later provides one)";
        return nullptr;
    }
    ctx->m_Context = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) || epoxy_gl_version() < 45) {
        error = "the OpenGL 4.5 core context could not be made current";
        return nullptr;
    }
    return ctx;
}

CEglContext::~CEglContext()
{
    if (!m_Display)
        return;
    eglMakeCurrent(m_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_Context)
        eglDestroyContext(m_Display, m_Context);
    // The display is not terminated: it is shared by every context of the process
    // on that platform, and terminating it would also unload the driver under
    // whatever else still uses it. The process's end releases it.
}
