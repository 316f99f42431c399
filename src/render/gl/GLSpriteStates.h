// The sprite batch's pipeline states on GL: its defaults as data in the
// renderer's state structs (GLStates binds them), and the state objects a caller
// may give SpriteBatch::Begin in their place. Holds values only; it creates no
// GL object except through a caller's own sampler.
#pragma once
#include "assets/sprite/SpriteBackend.h"
#include "render/gl/GLStates.h"

namespace glsprite {

// Premultiplied alpha: colour and alpha both one, one minus source alpha, add.
inline constexpr GLBlendState kDefaultBlend = {
    false, true,
    GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_FUNC_ADD,
    GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_FUNC_ADD,
    {true, true, true, true},
};

// Depth test and depth writes off; no stencil.
inline constexpr GLDepthStencilState kDefaultDepthStencil = {
    false, false, GL_LESS, false, 0xFF, 0xFF,
    {GL_KEEP, GL_KEEP, GL_KEEP, GL_ALWAYS},
    {GL_KEEP, GL_KEEP, GL_KEEP, GL_ALWAYS},
};

// Solid, back faces culled (clockwise is front), depth clip on, multisample on.
inline constexpr GLRasterizerState kDefaultRasterizer = {GL_FILL, true, GL_CW, true, false, true, false};

// The batch binds its depth-stencil state with reference 0.
inline constexpr GLint kStencilReference = 0;

} // namespace glsprite

// States a caller hands to Begin instead of the defaults.
class CGLSpriteBlendState : public DirectX::ISpriteState {
public:
    explicit CGLSpriteBlendState(const GLBlendState& state) : state(state) {}
    GLBlendState state;
};

class CGLSpriteDepthStencilState : public DirectX::ISpriteState {
public:
    explicit CGLSpriteDepthStencilState(const GLDepthStencilState& state) : state(state) {}
    GLDepthStencilState state;
};

class CGLSpriteRasterizerState : public DirectX::ISpriteState {
public:
    explicit CGLSpriteRasterizerState(const GLRasterizerState& state) : state(state) {}
    GLRasterizerState state;
};

// A sampler object the caller made and keeps; bound to unit 0 while sprites draw.
class CGLSpriteSamplerState : public DirectX::ISpriteState {
public:
    explicit CGLSpriteSamplerState(GLuint sampler) : sampler(sampler) {}
    GLuint sampler;
};
