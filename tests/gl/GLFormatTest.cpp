// The DXGI-to-GL format table: packed formats keep their bit order, every
// sampleable format a sheet may use has a form, formats Direct3D cannot sample
// either are refused, and names read as Direct3D writes them.
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
    EXPECT_EQ(FindGLFormat(DxgiFormat::A4B4G4R4_UNORM)->type, static_cast<GLenum>(GL_UNSIGNED_SHORT_4_4_4_4));
    // Alpha-only data is sampled as (0, 0, 0, a); X channels read as opaque.
    EXPECT_EQ(FindGLFormat(DxgiFormat::A8_UNORM)->swizzle[3], GL_RED);
    EXPECT_EQ(FindGLFormat(DxgiFormat::A8_UNORM)->swizzle[0], GL_ZERO);
    EXPECT_EQ(FindGLFormat(DxgiFormat::B8G8R8X8_UNORM_SRGB)->swizzle[3], GL_ONE);

    for (DxgiFormat f : {DxgiFormat::R8G8_UNORM, DxgiFormat::R8_UNORM, DxgiFormat::BC1_UNORM_SRGB,
                         DxgiFormat::BC4_SNORM, DxgiFormat::BC5_UNORM, DxgiFormat::BC6H_SF16, DxgiFormat::BC7_UNORM_SRGB,
                         DxgiFormat::R16_FLOAT, DxgiFormat::R32G32B32_FLOAT, DxgiFormat::R9G9B9E5_SHAREDEXP})
        EXPECT_TRUE(HasGLEquivalent(f)) << DescribeDxgiFormat(f);
    EXPECT_TRUE(FindGLFormat(DxgiFormat::BC7_UNORM)->compressed);
    for (DxgiFormat f : {DxgiFormat::UNKNOWN, DxgiFormat::R10G10B10_XR_BIAS_A2_UNORM, DxgiFormat::BC3_TYPELESS,
                         DxgiFormat::D24_UNORM_S8_UINT, DxgiFormat::NV12, DxgiFormat::R1_UNORM})
        EXPECT_FALSE(HasGLEquivalent(f)) << DescribeDxgiFormat(f);
    EXPECT_FALSE(HasGLEquivalent(static_cast<DxgiFormat>(116))); // a number that names no format

    EXPECT_EQ(DescribeDxgiFormat(DxgiFormat::BC7_UNORM), "BC7_UNORM (98)");
    EXPECT_EQ(DescribeDxgiFormat(DxgiFormat::OPAQUE_420), "420_OPAQUE (106)");
    EXPECT_EQ(DescribeDxgiFormat(9999), "unknown DXGI format 9999");
    // Layouts: BC1 is 8 bytes a 4x4 block, 4:2:2 packs two texels in 4 bytes.
    EXPECT_EQ(FindDxgiFormat(DxgiFormat::BC1_UNORM)->RowBytes(5), 16u);
    EXPECT_EQ(FindDxgiFormat(DxgiFormat::BC1_UNORM)->BlockRows(5), 2u);
    EXPECT_EQ(FindDxgiFormat(DxgiFormat::R8G8_B8G8_UNORM)->RowBytes(3), 8u);
}
