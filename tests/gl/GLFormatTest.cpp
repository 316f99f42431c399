// The DXGI-to-GL format table where no drawing reaches it: formats Direct3D
// cannot sample either are refused, names read as Direct3D writes them, and the
// layouts of block and packed formats.
#include "render/gl/GLFormat.h"

#include <gtest/gtest.h>

TEST(GLFormat, RefusesWhatDirect3DCannotSampleAndNamesFormats)
{
    // Bit orders and swizzles are checked where they count, in the pixels the sheet
    // formats test draws; here, what no drawing reaches.
    EXPECT_TRUE(HasGLEquivalent(DxgiFormat::R9G9B9E5_SHAREDEXP));
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
