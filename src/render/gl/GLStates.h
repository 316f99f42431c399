// The renderer's fixed pipeline states as data, one struct per Direct3D state
// object (blend, depth-stencil, rasterizer), and the GL calls that bind each.
// GL has no state objects; binding a struct sets every field it describes.
#pragma once
#include <epoxy/gl.h>

struct GLStencilFace {
    GLenum fail;
    GLenum depthFail;
    GLenum pass;
    GLenum func;
};

struct GLDepthStencilState {
    bool depthTest;
    bool depthWrite;
    GLenum depthFunc;
    bool stencilTest;
    GLuint readMask;
    GLuint writeMask;
    GLStencilFace front;
    GLStencilFace back;
};

struct GLRasterizerState {
    GLenum fill;
    bool cullBack;
    GLenum frontFace;
    bool depthClip;
    bool scissor;
    bool multisample;
    bool antialiasedLines;
};

struct GLBlendState {
    bool alphaToCoverage;
    bool blend;
    GLenum srcRgb, dstRgb, opRgb;
    GLenum srcAlpha, dstAlpha, opAlpha;
    bool writeMask[4];
};

namespace glstate {

// Scene geometry: depth test LESS with writes; stencil counts depth failures up
// on front faces and down on back faces.
inline constexpr GLDepthStencilState kDefaultDepthStencil = {
    true, true, GL_LESS, true, 0xFF, 0xFF,
    {GL_KEEP, GL_INCR, GL_KEEP, GL_ALWAYS},
    {GL_KEEP, GL_DECR, GL_KEEP, GL_ALWAYS},
};

// Full-screen passes (effects and the fade): no depth test and no depth writes,
// so a pass never hides the next one behind its own quad. No stencil test
// either: with the depth test off and the function "always", no stencil
// operation of the default state could fire.
inline constexpr GLDepthStencilState kPassDepthStencil = {
    false, false, GL_LESS, false, 0xFF, 0xFF,
    {GL_KEEP, GL_INCR, GL_KEEP, GL_ALWAYS},
    {GL_KEEP, GL_DECR, GL_KEEP, GL_ALWAYS},
};

// Solid, back faces culled, clockwise front faces, depth clip on, no scissor.
inline constexpr GLRasterizerState kDefaultRasterizer = {GL_FILL, true, GL_CW, true, false, false, false};

// Colour: source alpha over; alpha: inverse destination alpha plus destination.
inline constexpr GLBlendState kDefaultBlend = {
    false, true,
    GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_FUNC_ADD,
    GL_ONE_MINUS_DST_ALPHA, GL_ONE, GL_FUNC_ADD,
    {true, true, true, true},
};

// A pass that overwrites every pixel of a freshly cleared target with alpha 1:
// the default blending would give source * 1 + black * 0, the source itself.
inline constexpr GLBlendState kOpaqueBlend = {
    false, false,
    GL_ONE, GL_ZERO, GL_FUNC_ADD,
    GL_ONE, GL_ZERO, GL_FUNC_ADD,
    {true, true, true, true},
};

inline constexpr GLint kStencilReference = 1;

void Bind(const GLDepthStencilState& state, GLint stencilReference);
void Bind(const GLRasterizerState& state);
void Bind(const GLBlendState& state);

} // namespace glstate
