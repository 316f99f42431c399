// The DXGI-to-GL format table: packed formats keep their bit order, formats
// without a GL counterpart are refused, unknown numbers are not found.
#include "render/gl/GLFormat.h"

#include <gtest/gtest.h>

TEST(GLFormat, TranslatesPackedAndSwizzledFormatsAndRefusesTheRest)
{
    const GLFormat* bgra = FindGLFormat(DxgiFormat::B8G8R8A8_UNORM);
    ASSERT_NE(bgra, nullptr);
    EXPECT_EQ(bgra->internalFormat, static_cast<GLenum>(GL_RGBA8));
    EXPECT_EQ(bgra->format, static_cast<GLenum>(GL_BGRA));
    // Blue in the low bits on both sides.
    EXPECT_EQ(FindGLFormat(DxgiFormat::B5G6R5_UNORM)->type, static_cast<GLenum>(GL_UNSIGNED_SHORT_5_6_5));
    EXPECT_EQ(FindGLFormat(DxgiFormat::B5G5R5A1_UNORM)->type, static_cast<GLenum>(GL_UNSIGNED_SHORT_1_5_5_5_REV));
    EXPECT_EQ(FindGLFormat(DxgiFormat::R8G8B8A8_UNORM_SRGB)->internalFormat, static_cast<GLenum>(GL_SRGB8_ALPHA8));
    // Alpha-only data is sampled as (0, 0, 0, a); X channels read as opaque.
    EXPECT_EQ(FindGLFormat(DxgiFormat::A8_UNORM)->swizzle[3], GL_RED);
    EXPECT_EQ(FindGLFormat(DxgiFormat::A8_UNORM)->swizzle[0], GL_ZERO);
    EXPECT_EQ(FindGLFormat(DxgiFormat::B8G8R8X8_UNORM)->swizzle[3], GL_ONE);
    EXPECT_TRUE(FindGLFormat(DxgiFormat::BC3_UNORM)->compressed);

    EXPECT_FALSE(HasGLEquivalent(DxgiFormat::R10G10B10_XR_BIAS_A2_UNORM));
    EXPECT_FALSE(HasGLEquivalent(DxgiFormat::UNKNOWN));
    EXPECT_FALSE(HasGLEquivalent(static_cast<DxgiFormat>(3))); // a number that names no format here
    EXPECT_TRUE(HasGLEquivalent(DxgiFormat::R32G32B32A32_FLOAT));
}
