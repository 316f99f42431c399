// SDL2 window, GL context and messages.
#include "app/platform/SdlWindow.h"

#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <epoxy/gl.h>
#include <utility>

std::unique_ptr<CSdlWindow> CSdlWindow::Create(int width, int height, bool windowed, std::string& error)
{
    std::unique_ptr<CSdlWindow> w(new CSdlWindow());
    // The X11 class name; SDL reads it when the window is made.
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", "Kestrova");
    setenv("SDL_VIDEO_X11_WMCLASS", "Kestrova", 1);
    // With no X or Wayland display named, only the console (KMS) can show a window;
    // trying the others would just print their own complaints.
    if (!std::getenv("SDL_VIDEODRIVER") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        SDL_SetHint("SDL_VIDEODRIVER", "KMSDRM");
    // Video and the GL driver, once made, stay for the whole process: loading and
    // unloading the driver with every window would lose track of its allocations
    // and slow down anything that opens windows one after another.
    static bool s_bVideoReady = false;
    if (!s_bVideoReady) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = std::string("no display to open a window on (") + SDL_GetError() +
                    "); set DISPLAY, or run with --headless";
            return nullptr;
        }
        // SDL falls back to drivers that show nothing; a window nobody can see is not
        // what was asked for, unless SDL_VIDEODRIVER names such a driver on purpose.
        const char* driver = SDL_GetCurrentVideoDriver();
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
            !(asked && std::strcmp(asked, driver) == 0)) {
            error = "no display to open a window on; set DISPLAY, or run with --headless";
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        if (SDL_GL_LoadLibrary(nullptr) != 0) {
            error = std::string("no OpenGL driver for this display (") + SDL_GetError() + ")";
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        s_bVideoReady = true;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Frames are drawn off-screen and blitted; the window needs no depth of its own.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | (windowed ? 0u : Uint32{SDL_WINDOW_FULLSCREEN});
    w->m_pWindow = SDL_CreateWindow("Marrowlight", 0, 0, width, height, flags);
    if (!w->m_pWindow) {
        error = std::string("the window could not be made (") + SDL_GetError() + "); try --windowed or --headless";
        return nullptr;
    }
    w->m_Context = SDL_GL_CreateContext(w->m_pWindow);
    if (!w->m_Context || epoxy_gl_version() < 45) {
        error = "the display offers no OpenGL 4.5 core context; update the graphics driver, or run with --headless";
        return nullptr;
    }
    SDL_GL_SetSwapInterval(0);
    SDL_ShowCursor(SDL_DISABLE);
    return w;
}

CSdlWindow::~CSdlWindow()
{
    if (m_Context)
        SDL_GL_DeleteContext(m_Context);
    if (m_pWindow)
        SDL_DestroyWindow(m_pWindow);
}

void CSdlWindow::GetDrawableSize(int& width, int& height) const
{
    SDL_GL_GetDrawableSize(m_pWindow, &width, &height);
}

void CSdlWindow::SwapBuffers()
{
    SDL_GL_SwapWindow(m_pWindow);
}

namespace {
constexpr struct {
    SDL_Keycode key;
    PlayerKey action;
} kKeys[] = {
    {SDLK_SPACE, PlayerKey::Pause},         {SDLK_LEFT, PlayerKey::Back1},
    {SDLK_RIGHT, PlayerKey::Forward1},      {SDLK_PAGEDOWN, PlayerKey::Back10},
    {SDLK_PAGEUP, PlayerKey::Forward10},    {SDLK_HOME, PlayerKey::Restart},
    {SDLK_LEFTBRACKET, PlayerKey::LoopStart}, {SDLK_RIGHTBRACKET, PlayerKey::LoopEnd},
    {SDLK_l, PlayerKey::LoopToggle},        {SDLK_F1, PlayerKey::Overlay},
    {SDLK_F12, PlayerKey::Screenshot},
};
} // namespace

std::vector<PlayerKey> CSdlWindow::TakeKeys()
{
    return std::exchange(m_Keys, {});
}

bool CSdlWindow::PumpEvents()
{
    bool escape = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT)
            return false;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)
            return false;
        if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)
            escape = true;
        if (e.type == SDL_KEYDOWN)
            for (const auto& k : kKeys)
                if (k.key == e.key.keysym.sym)
                    m_Keys.push_back(k.action);
    }
    // Escape (down now, or pressed since the last look) lets this frame finish;
    // the quit it posts is taken by the next call.
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    if (escape || (keys && keys[SDL_SCANCODE_ESCAPE])) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return true;
}
