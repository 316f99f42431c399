// Binding the fixed states.
#include "render/gl/GLStates.h"

namespace {
void Enable(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}
} // namespace

namespace glstate {

void Bind(const GLDepthStencilState& s, GLint stencilReference)
{
    Enable(GL_DEPTH_TEST, s.depthTest);
    glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);
    glDepthFunc(s.depthFunc);
    Enable(GL_STENCIL_TEST, s.stencilTest);
    glStencilMaskSeparate(GL_FRONT_AND_BACK, s.writeMask);
    glStencilFuncSeparate(GL_FRONT, s.front.func, stencilReference, s.readMask);
    glStencilFuncSeparate(GL_BACK, s.back.func, stencilReference, s.readMask);
    glStencilOpSeparate(GL_FRONT, s.front.fail, s.front.depthFail, s.front.pass);
    glStencilOpSeparate(GL_BACK, s.back.fail, s.back.depthFail, s.back.pass);
}

void Bind(const GLRasterizerState& s)
{
    glPolygonMode(GL_FRONT_AND_BACK, s.fill);
    Enable(GL_CULL_FACE, s.cullBack);
    glCullFace(GL_BACK);
    glFrontFace(s.frontFace);
    glDisable(GL_POLYGON_OFFSET_FILL);
    Enable(GL_DEPTH_CLAMP, !s.depthClip);
    Enable(GL_SCISSOR_TEST, s.scissor);
    Enable(GL_MULTISAMPLE, s.multisample);
    Enable(GL_LINE_SMOOTH, s.antialiasedLines);
}

void Bind(const GLBlendState& s)
{
    Enable(GL_SAMPLE_ALPHA_TO_COVERAGE, s.alphaToCoverage);
    glDisable(GL_SAMPLE_MASK);
    Enable(GL_BLEND, s.blend);
    glBlendFuncSeparate(s.srcRgb, s.dstRgb, s.srcAlpha, s.dstAlpha);
    glBlendEquationSeparate(s.opRgb, s.opAlpha);
    glColorMask(s.writeMask[0], s.writeMask[1], s.writeMask[2], s.writeMask[3]);
}

} // namespace glstate
