#include "platform/text/ShellPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text/TextCodec.h"

TEST(ShellPath, ExtensionIsTakenFromTheLastComponentOnly)
{
    const struct { std::u16string path, extension; } cases[] = {
        {u"/v/clip.AVI", u".AVI"}, {u"/v/a.tar.gz", u".gz"}, {u"/v.d/clip", u""}, {u"clip", u""},
        {u"/v/.hidden", u".hidden"}, {u"/v/clip.", u"."}, {u"/v/My Clip.mp4", u".mp4"}, {u"", u""},
        {u"/v/a.b\\c", u".b\\c"},  // a backslash is part of a Linux name, not a separator
    };
    for (const auto& c : cases) {
        const std::u16string_view extension = PathFindExtensionW(c.path);
        EXPECT_EQ(extension, c.extension) << EncodeUtf8(c.path);
        EXPECT_EQ(extension.data() + extension.size(), c.path.data() + c.path.size()) << EncodeUtf8(c.path);
    }
    EXPECT_EQ(PathFindFileNameW(u"/v.d/my clip.avi"), u"my clip.avi");
    EXPECT_EQ(PathFindFileNameW(u"clip"), u"clip");
}

TEST(ShellPath, RenameExtensionReplacesOrAppendsWithinTheLimit)
{
    std::u16string path = u"/v.d/clip.flv";
    EXPECT_TRUE(PathRenameExtensionW(path, u".avi"));
    EXPECT_EQ(path, u"/v.d/clip.avi");
    path = u"/v.d/clip";
    EXPECT_TRUE(PathRenameExtensionW(path, u".mp3"));
    EXPECT_EQ(path, u"/v.d/clip.mp3");

    // The result and its terminator must fit kPathLimit; one unit more and nothing changes.
    std::u16string fits = u"/" + std::u16string(kPathLimit - 10, u'a') + u".flv";
    EXPECT_TRUE(PathRenameExtensionW(fits, u".avi1234"));
    EXPECT_EQ(fits.size(), kPathLimit - 1);
    std::u16string tooLong = u"/" + std::u16string(kPathLimit - 10, u'a') + u".flv";
    const std::u16string before = tooLong;
    EXPECT_FALSE(PathRenameExtensionW(tooLong, u".avi12345"));
    EXPECT_EQ(tooLong, before);
}

TEST(ShellPath, FileExistsAsksTheFileSystemWithUtf8)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tarvex-shellpath-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::u16string base = u"/中文 vidéo𝄞.flv";
    const std::string dirUtf8 = dir.string();
    const std::u16string dirUtf16(dirUtf8.begin(), dirUtf8.end());  // temp dirs are ASCII
    std::ofstream(dirUtf8 + EncodeUtf8(base)) << "x";
    std::filesystem::create_symlink(dir / "gone", dir / "dangling");

    EXPECT_TRUE(PathFileExistsW(dirUtf16 + base));
    EXPECT_TRUE(PathFileExistsW(dirUtf16));
    EXPECT_FALSE(PathFileExistsW(dirUtf16 + u"/中文.flv"));
    EXPECT_FALSE(PathFileExistsW(dirUtf16 + u"/dangling"));
    EXPECT_FALSE(PathFileExistsW(u""));
    // Only the part before a NUL would reach the file system, and that part exists.
    EXPECT_FALSE(PathFileExistsW(dirUtf16 + std::u16string(1, u'\0') + u"x"));
    std::filesystem::remove_all(dir);
}
