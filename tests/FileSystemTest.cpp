// The file operations behind Convert and a run: which output names would overwrite the source,
// the folder a run writes in, and the step that puts its output in place.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text/FileSystem.h"
#include "platform/text/TextCodec.h"

namespace fs = std::filesystem;

namespace {

class FileSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarvex-fs-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir / "sub");
        std::ofstream(m_dir / "源 clip.flv") << "source";
        std::ofstream(m_dir / "other.flv") << "other";
        fs::create_symlink(m_dir / "源 clip.flv", m_dir / "link.flv");
        fs::create_hard_link(m_dir / "源 clip.flv", m_dir / "hard.flv");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::u16string In(const std::string& name) const { return DecodeUtf8((m_dir / name).string()); }

    fs::path m_dir;
};

TEST_F(FileSystem, OutputNamingTheSourceIsRecognisedHoweverItIsSpelled)
{
    const std::u16string source = In("源 clip.flv");
    const struct { const char* what; std::u16string output; bool same; } cases[] = {
        {"the same path", source, true},
        {"a ./ and .. spelling", In("sub/.././源 clip.flv"), true},
        {"a symbolic link", In("link.flv"), true},
        {"a hard link", In("hard.flv"), true},
        {"another file", In("other.flv"), false},
        {"a file not yet there", In("源 clip.avi"), false},
        {"the folder", DecodeUtf8(m_dir.string()), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathsNameSameFile(source, c.output), c.same) << c.what;
        EXPECT_EQ(PathsNameSameFile(c.output, source), c.same) << c.what << ", reversed";
    }
    // Neither exists: the spelling decides.
    EXPECT_TRUE(PathsNameSameFile(In("gone.flv"), In("sub/../gone.flv")));
    EXPECT_FALSE(PathsNameSameFile(In("gone.flv"), In("gone.avi")));
    EXPECT_FALSE(PathsNameSameFile(u"", u""));
}

TEST_F(FileSystem, RunFoldersArePrivateUniqueAndGoWithTheirContents)
{
    const std::u16string first = CreateRunFolder(In("out.flv"));
    const std::u16string second = CreateRunFolder(In("out.flv"));
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, second);
    EXPECT_EQ(fs::path(EncodeUtf8(first)).parent_path(), m_dir);
    struct stat info {};
    ASSERT_EQ(::stat(EncodeUtf8(first).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    std::ofstream(EncodeUtf8(first) + "/temp.avi") << "intermediate";
    fs::create_symlink(m_dir / "other.flv", EncodeUtf8(first) + "/link");
    RemoveRunFolder(first);
    RemoveRunFolder(second);
    EXPECT_FALSE(fs::exists(EncodeUtf8(first)));
    EXPECT_FALSE(fs::exists(EncodeUtf8(second)));
    EXPECT_TRUE(fs::exists(m_dir / "other.flv"));  // a link inside was not followed

    // Only beside the output: a folder elsewhere could not be renamed over it in one step.
    EXPECT_EQ(CreateRunFolder(In("missing/out.flv")), u"");
}

TEST_F(FileSystem, ReplaceFileRenamesOverAFileButNeverOverAFolder)
{
    std::ofstream(m_dir / "new.flv") << "new";
    EXPECT_TRUE(ReplaceFile(In("new.flv"), In("other.flv")));
    EXPECT_FALSE(fs::exists(m_dir / "new.flv"));
    std::ifstream replaced(m_dir / "other.flv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(replaced), {}), "new");

    std::ofstream(m_dir / "new.flv") << "new";
    EXPECT_FALSE(ReplaceFile(In("new.flv"), In("sub")));
    EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    EXPECT_TRUE(fs::exists(m_dir / "new.flv"));
}

}  // namespace
