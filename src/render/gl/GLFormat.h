// The one translation from DXGI pixel formats (as image decoding and sprite font
// files name them) to OpenGL texture formats. A format without a GL equivalent
// has internalFormat 0, and a load asking for it fails cleanly.
#pragma once
#include "render/DxgiFormat.h"

#include <epoxy/gl.h>

struct GLFormat {
    DxgiFormat dxgi;
    GLenum internalFormat; // 0: no GL equivalent
    GLenum format;         // upload format; 0 for block-compressed data
    GLenum type;           // upload type; 0 for block-compressed data
    GLint swizzle[4];      // sampled R, G, B, A
    unsigned bytes;        // bytes per pixel, or per 4x4 block when compressed
    bool compressed;
};

// The entry for a format; null for a number that is not a known format name.
const GLFormat* FindGLFormat(DxgiFormat format);
// True when textures of this format can be made.
bool HasGLEquivalent(DxgiFormat format);
