// The one translation from DXGI pixel formats (as image decoding and sprite font
// files name them) to OpenGL texture formats. A format without a GL equivalent
// has internalFormat 0, and a load asking for it fails cleanly. Layouts (bytes
// per texel or block) come from the neutral format table, not from here.
#pragma once
#include "render/DxgiFormat.h"

#include <epoxy/gl.h>

struct GLFormat {
    DxgiFormat dxgi;
    GLenum internalFormat; // 0: no GL equivalent
    GLenum format;         // upload format; 0 for block-compressed data
    GLenum type;           // upload type; 0 for block-compressed data
    GLint swizzle[4];      // sampled R, G, B, A
    bool compressed;       // uploaded as compressed blocks
    const char* extensions[2]; // GL extensions the format needs beyond GL 4.5 (null: none)
};

// The entry for a format; null for a number that is not a known format name.
const GLFormat* FindGLFormat(DxgiFormat format);
// True when textures of this format can be made (on a driver with the extension it needs).
bool HasGLEquivalent(DxgiFormat format);
