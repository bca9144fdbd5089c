// The file operations behind Convert and a run: which output names would overwrite the source,
// the folder a run writes in and the sweep of those a dead program left, and the step that puts
// its output in place.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/text/FileSystem.h"
#include "platform/files/RunFolder.h"
#include "platform/text/TextCodec.h"

namespace fs = std::filesystem;

namespace {

// What a regular file holds; empty for anything else.
std::string Contents(const fs::path& path)
{
    if (!fs::is_regular_file(path))
        return {};
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

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
    RunFolder firstFolder = RunFolder::Create(In("out.flv"));
    RunFolder secondFolder = RunFolder::Create(In("out.flv"));
    const std::u16string first = firstFolder.Path();
    const std::u16string second = secondFolder.Path();
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, second);
    EXPECT_EQ(fs::path(EncodeUtf8(first)).parent_path(), m_dir);
    struct stat info {};
    ASSERT_EQ(::stat(EncodeUtf8(first).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    std::ofstream(EncodeUtf8(first) + "/temp.avi") << "intermediate";
    fs::create_symlink(m_dir / "other.flv", EncodeUtf8(first) + "/link");
    // Its owner removes it, once: a handle moved away from holds none.
    RunFolder owner = std::move(firstFolder);
    EXPECT_FALSE(firstFolder);
    firstFolder.Remove();
    EXPECT_TRUE(fs::exists(EncodeUtf8(first)));
    owner.Remove();
    EXPECT_FALSE(owner);
    { const RunFolder gone = std::move(secondFolder); }
    EXPECT_FALSE(fs::exists(EncodeUtf8(first)));
    EXPECT_FALSE(fs::exists(EncodeUtf8(second)));
    EXPECT_TRUE(fs::exists(m_dir / "other.flv"));  // a link inside was not followed

    // Only beside the output: a folder elsewhere could not be renamed over it in one step.
    EXPECT_FALSE(RunFolder::Create(In("missing/out.flv")));
}

// The new file's data reaches the disk before the rename, its name after it; a flush that fails
// leaves as much in place as it can, and says so.
TEST_F(FileSystem, ReplaceFileFlushesTheFileRenamesThenFlushesTheFolder)
{
    struct stat folder {};
    ASSERT_EQ(::stat(m_dir.c_str(), &folder), 0);
    const struct {
        const char* what;
        const char* to;
        const char* failing;  // the flush that fails: "file", "folder" or none
        Replaced result;
        std::vector<std::string> steps;  // the flushes, each with what the output held then
        bool moved;
    } cases[] = {
        {"all goes well", "other.flv", nullptr, Replaced::Yes, {"file:other", "folder:new"}, true},
        {"the file's flush fails", "other.flv", "file", Replaced::NotSynced, {"file:other"}, false},
        {"the folder's flush fails", "other.flv", "folder", Replaced::FolderNotSynced, {"file:other", "folder:new"}, true},
        {"a folder in the output's place", "sub", nullptr, Replaced::NotMoved, {"file:"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(m_dir / "other.flv") << "other";
        std::ofstream(m_dir / "new.flv") << "new";
        struct stat fresh {};
        ASSERT_EQ(::stat((m_dir / "new.flv").c_str(), &fresh), 0);
        std::vector<std::string> steps;
        SetSyncHook([&](int fd) {
            struct stat info {};
            EXPECT_EQ(::fstat(fd, &info), 0);
            std::string step;
            if (info.st_ino == fresh.st_ino)
                step = "file";
            else if (info.st_ino == folder.st_ino)
                step = "folder";
            else
                step = "another descriptor";
            steps.push_back(step + ":" + Contents(m_dir / c.to));
            if (c.failing && step == c.failing) {
                errno = EIO;
                return -1;
            }
            return ::fsync(fd);
        });
        EXPECT_EQ(ReplaceFile(In("new.flv"), In(c.to)), c.result);
        SetSyncHook({});
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(fs::exists(m_dir / "new.flv"), !c.moved);
        EXPECT_EQ(Contents(m_dir / "other.flv"), c.moved ? "new" : "other");
        EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    }
}

// A run folder left by a program that died goes at the next one made beside it; everything
// else there stays: a live run's folder, another user's, a link named like one, what links
// inside point to, and whatever merely resembles one.
TEST_F(FileSystem, ARunFolderWhoseLockIsFreeGoesAtTheNextAndNothingElse)
{
    // As a killed program leaves them: made and locked by a process that then ended.
    const auto madeByTheDead = [&](const fs::path& beside) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // Never let go: the process ends without its destructors.
            const RunFolder folder = RunFolder::Create(DecodeUtf8((beside / "out.flv").string()));
            const std::string made = EncodeUtf8(folder.Path());
            std::ofstream(made + "/out.flv") << "partial";
            [[maybe_unused]] const ssize_t n = ::write(ends[1], made.data(), made.size());
            ::_exit(0);
        }
        ::close(ends[1]);
        char path[4096] = {};
        [[maybe_unused]] const ssize_t n = ::read(ends[0], path, sizeof path - 1);
        ::close(ends[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(fs::is_directory(path)) << path;
        return fs::path(path);
    };
    // Each made after the one before was given away, which its making would have swept.
    const fs::path others = madeByTheDead(m_dir);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
    }
    const fs::path elsewhere = madeByTheDead(m_dir / "sub");
    const fs::path stale = madeByTheDead(m_dir);
    fs::create_symlink(m_dir / "other.flv", stale / "link-to-a-file");
    fs::create_symlink(m_dir / "sub", stale / "link-to-a-folder");
    fs::create_directories(stale / "inner");
    std::ofstream(stale / "inner" / "x") << "x";
    RunFolder liveFolder = RunFolder::Create(In("out.flv"));
    const std::u16string live = liveFolder.Path();
    ASSERT_FALSE(live.empty());
    fs::create_symlink(elsewhere, m_dir / ".tarvex-run-linked");
    fs::create_directories(m_dir / ".tarvex-run-nolock");
    fs::create_directories(m_dir / ".tarvex-run-toolong1");
    std::ofstream(m_dir / ".tarvex-run-toolong1" / ".tarvex-lock");
    std::ofstream(m_dir / ".tarvex-run-afile") << "a file";

    RunFolder next = RunFolder::Create(In("out.flv"));
    ASSERT_TRUE(next);
    EXPECT_FALSE(fs::exists(stale)) << "a dead program's folder stayed";
    EXPECT_TRUE(fs::is_directory(EncodeUtf8(live))) << "a live run's folder went";
    EXPECT_EQ(fs::is_directory(others), root) << "another user's folder";
    EXPECT_TRUE(fs::exists(elsewhere / "out.flv")) << "a link named like a run folder was followed";
    for (const char* kept : {".tarvex-run-linked", ".tarvex-run-nolock", ".tarvex-run-toolong1",
                             ".tarvex-run-afile", "other.flv", "sub", "源 clip.flv", "link.flv", "hard.flv"})
        EXPECT_TRUE(fs::exists(fs::symlink_status(m_dir / kept))) << kept;
    EXPECT_EQ(Contents(m_dir / "other.flv"), "other");
    EXPECT_TRUE(fs::exists(elsewhere)) << "the link inside a stale folder was followed";
    liveFolder.Remove();
    next.Remove();
    // Once its run has ended, nothing of it is left to sweep.
    EXPECT_FALSE(fs::exists(EncodeUtf8(live)));
}

}  // namespace
