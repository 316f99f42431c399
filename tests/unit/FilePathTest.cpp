// Windows-style path resolution.
#include "assets/FilePath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(FilePath, BackslashesAndCaseInsensitiveFallback)
{
    TempDir dir;
    ScopedChdir cd(dir.Path());
    dir.Write("Data/Mats/FaderMaterial.txt", "x");
    dir.Write("Data/mats/other.txt", "y"); // a second folder differing only in case
    dir.Write("exact.TXT", "z");

    EXPECT_EQ(ResolvePath("Data\\Mats\\FaderMaterial.txt"), "Data/Mats/FaderMaterial.txt");
    EXPECT_EQ(ResolvePath("data\\MATS\\fadermaterial.TXT"), "Data/Mats/FaderMaterial.txt");
    EXPECT_EQ(ResolvePath("Data\\mats\\other.txt"), "Data/mats/other.txt"); // exact match wins
    EXPECT_EQ(ResolvePath("exact.TXT"), "exact.TXT");
    EXPECT_EQ(ResolvePath(".\\EXACT.txt"), "exact.TXT");
    EXPECT_TRUE(FileExists((dir.Path() / "Data" / "MATS" / "FADERMATERIAL.TXT").string()));
    EXPECT_FALSE(FileExists("Data\\Nope\\FaderMaterial.txt"));
    EXPECT_EQ(ResolvePath("missing\\file.txt"), "missing/file.txt");
}
