#include "render/gl/GLDebugOutput.h"

#include "app/Diagnostics.h"

#include <epoxy/gl.h>
#include <string>

namespace {
void GLAPIENTRY OnDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message, const void*)
{
    if (type == GL_DEBUG_TYPE_ERROR)
        diag::Report(kGLErrorReport + (length >= 0 ? std::string(message, static_cast<size_t>(length)) : std::string(message)));
}
} // namespace

void EnableGLErrorReports()
{
    if (!diag::IsEnabled())
        return;
    glEnable(GL_DEBUG_OUTPUT);
    // Synchronous, so the report comes while the script line that caused it is current.
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnDebugMessage, nullptr);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
    glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
}
