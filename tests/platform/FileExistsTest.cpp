#include "FileExists.h"

#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

using fileExists::FileExists;
using fileExists::FileNameOfPath;

TEST(FileNameOfPath, WindowsSeparator) {
    EXPECT_EQ(FileNameOfPath(R"(C:\a\b.txt)", '\\'), "b.txt");
    EXPECT_EQ(FileNameOfPath("b.txt", '\\'), "b.txt");
    EXPECT_EQ(FileNameOfPath(R"(C:\a\)", '\\'), "");
    EXPECT_EQ(FileNameOfPath("C:/a/b.txt", '\\'), "C:/a/b.txt"); // only the backslash separates
    EXPECT_EQ(FileNameOfPath("", '\\'), "");
}

TEST(FileNameOfPath, ThisPlatformsSeparator) {
    EXPECT_EQ(FileNameOfPath("/home/me/data.enc"), "data.enc");
    EXPECT_EQ(FileNameOfPath("data.enc"), "data.enc");
    EXPECT_EQ(FileNameOfPath("/home/me/"), "");
    EXPECT_EQ(FileNameOfPath(R"(a\b.txt)"), R"(a\b.txt)");
}

TEST(FileNameOfPath, ASeparatorBeyondASixteenBitPositionGivesNoName) {
    const std::string deep = std::string(32766, 'a') + "/" + "b";
    EXPECT_EQ(FileNameOfPath(deep), "b"); // position 32,767 still fits
    EXPECT_FALSE(FileNameOfPath(std::string(32767, 'a') + "/b").has_value());
    EXPECT_FALSE(FileExists(std::string(32767, 'a') + "/b"));
}

TEST(FileExists, OnlyOrdinaryFilesCount) {
    TempDir dir;
    TempDir::Write(dir.file("data.enc"), "\r\n");
    TempDir::Write(dir.file(".hidden"), "x");
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink(dir.file("data.enc"), dir.file("link.enc"));
    std::filesystem::create_symlink(dir.file("gone"), dir.file("dangling.enc"));
    ::mkfifo(dir.file("pipe").c_str(), 0600);

    EXPECT_TRUE(FileExists(dir.file("data.enc")));
    EXPECT_TRUE(FileExists(dir.file("link.enc"))); // a link to a file is that file
    EXPECT_FALSE(FileExists(dir.file("dangling.enc")));
    EXPECT_FALSE(FileExists(dir.file("folder")));
    EXPECT_FALSE(FileExists(dir.file("folder") + "/"));
    EXPECT_FALSE(FileExists(dir.file(".hidden")));
    EXPECT_FALSE(FileExists(dir.file("pipe")));
    EXPECT_FALSE(FileExists(dir.file("missing")));
    EXPECT_FALSE(FileExists(""));
    // Names match as the platform matches them: letter case counts here.
    EXPECT_FALSE(FileExists(dir.file("DATA.ENC")));
}

TEST(FileExists, AWildcardNeverCounts) {
    TempDir dir;
    TempDir::Write(dir.file("data.enc"), "\r\n");
    TempDir::Write(dir.file("a*"), "x"); // a name that really holds the character
    EXPECT_FALSE(FileExists(dir.file("*.enc")));
    EXPECT_FALSE(FileExists(dir.file("data.en?")));
    EXPECT_FALSE(FileExists(dir.file("a*")));
}

TEST(FileExists, UnreadableFolderGivesFalseWithoutFailing) {
    EXPECT_FALSE(FileExists("/proc/nonexistent/data.enc"));
    EXPECT_FALSE(FileExists(std::string(5000, 'x')));
}

} // namespace
