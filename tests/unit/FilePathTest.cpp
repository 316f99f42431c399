// Windows-style path resolution.
#include "app/Diagnostics.h"
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

TEST(FilePath, HostilePathsAreBoundedNotSearched)
{
    TempDir dir;
    ScopedChdir cd(dir.Path());
    dir.Write("Data/file.txt", "x");

    // 25,000 "..\" components: once a stack overflow, now refused by length.
    std::string deep;
    for (int i = 0; i < 25000; ++i)
        deep += "..\\";
    deep += "file.png";
    std::string reported;
    diag::SetEnabled(true);
    diag::SetSink([&](const std::string& line) { reported = line; });
    EXPECT_EQ(ResolvePath(deep).size(), deep.size());
    EXPECT_NE(reported.find("too long"), std::string::npos) << reported;

    // "a" and "A" both lead back here, so every component has two case variants:
    // matching a missing leaf under 30 of them would try 2^30 folders.
    std::filesystem::create_directory_symlink(".", dir.Path() / "a");
    std::filesystem::create_directory_symlink(".", dir.Path() / "A");
    std::string variants;
    for (int i = 0; i < 30; ++i)
        variants += "a\\";
    reported.clear();
    std::string unresolved = variants + "missing.txt";
    for (char& c : unresolved)
        if (c == '\\')
            c = '/';
    EXPECT_EQ(ResolvePath(variants + "missing.txt"), unresolved);
    EXPECT_NE(reported.find("too many folders"), std::string::npos) << reported;
    EXPECT_EQ(ResolvePath("A\\a\\A\\DATA\\FILE.TXT"), "A/a/A/Data/file.txt");
    diag::SetSink({});
    diag::SetEnabled(false);
}
