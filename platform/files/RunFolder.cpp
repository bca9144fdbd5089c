#include "platform/files/RunFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/text/TextCodec.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRunFolderPrefix = ".tarvex-run-";
constexpr std::size_t kRunFolderSuffix = 6;  // mkdtemp's XXXXXX
// Outputs always end with an export type's extension, so no output can take this name.
constexpr char kLockName[] = ".tarvex-lock";
constexpr char kLockNameBeforeLocked[] = ".tarvex-lock.new";
// Run folders hold files only; anything deeper was not put there by a run.
constexpr int kDeepest = 8;

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::mutex g_syncGuard;
std::function<int(int)> g_sync;

int Sync(int fd)
{
    std::function<int(int)> sync;
    {
        std::lock_guard<std::mutex> guard(g_syncGuard);
        sync = g_sync;
    }
    return sync ? sync(fd) : ::fsync(fd);
}

// The file system would read a path only up to a NUL and so act on another file.
bool Usable(std::u16string_view path)
{
    return !path.empty() && path.find(u'\0') == std::u16string_view::npos;
}

std::string FolderOf(std::u16string_view file)
{
    const fs::path folder = fs::path(EncodeUtf8(file)).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

bool IsRunFolderName(std::string_view name)
{
    if (!name.starts_with(kRunFolderPrefix) || name.size() != kRunFolderPrefix.size() + kRunFolderSuffix)
        return false;
    for (const char c : name.substr(kRunFolderPrefix.size()))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// The names in the folder open as `dir`, but "." and "..". The descriptor stays open.
std::vector<std::string> Names(int dir)
{
    std::vector<std::string> names;
    const int listing = ::fcntl(dir, F_DUPFD_CLOEXEC, 0);
    if (listing < 0)
        return names;
    DIR* stream = ::fdopendir(listing);
    if (stream == nullptr) {
        ::close(listing);
        return names;
    }
    ::rewinddir(stream);
    while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(stream);
    return names;
}

// Empties the folder open as `dir` by names relative to it alone, so nothing outside is ever
// reached: a link is removed as itself, a folder emptied and removed in turn.
void Empty(int dir, int depth)
{
    for (const std::string& name : Names(dir)) {
        if (::unlinkat(dir, name.c_str(), 0) == 0 || errno != EISDIR || depth >= kDeepest)
            continue;
        const Fd inner(::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner)
            Empty(inner.Get(), depth + 1);
        ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
    }
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The run folder `name` in the folder open as `dir`, removed when it is this user's and its
// lock is free.
void SweepOne(int dir, const std::string& name)
{
    // A link named like a run folder is not followed: O_NOFOLLOW refuses it.
    const Fd run(::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat runInfo {};
    if (!run || ::fstat(run.Get(), &runInfo) != 0 || runInfo.st_uid != ::geteuid())
        return;
    const Fd lock(::openat(run.Get(), kLockName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat lockInfo {};
    if (!lock || ::fstat(lock.Get(), &lockInfo) != 0 || !S_ISREG(lockInfo.st_mode))
        return;
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
        return;
    // A sweep beside this one may have freed the lock by removing the folder just now: only a
    // folder and a lock file still in their places are removed.
    struct stat nowRun {};
    struct stat nowLock {};
    if (::fstatat(dir, name.c_str(), &nowRun, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(nowRun, runInfo) ||
        ::fstatat(run.Get(), kLockName, &nowLock, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(nowLock, lockInfo))
        return;
    Empty(run.Get(), 0);
    ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
}

void Sweep(const std::string& folder)
{
    const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return;
    // The folders this program holds itself are passed over too: flock locks belong to an open
    // file, so the sweep's own open of a held lock is refused like anyone else's.
    for (const std::string& name : Names(dir.Get()))
        if (IsRunFolderName(name))
            SweepOne(dir.Get(), name);
}

// The lock is taken before the file has the name a sweep looks for, so that no sweep ever
// finds a live run's lock free. The descriptor, or -1.
int LockInside(const std::string& runFolder)
{
    const std::string early = runFolder + "/" + kLockNameBeforeLocked;
    Fd lock(::open(early.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock || ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::rename(early.c_str(), (runFolder + "/" + kLockName).c_str()) != 0)
        return -1;
    return lock.Release();
}

}  // namespace

void SweepRunFolders(std::u16string_view folder)
{
    if (Usable(folder))
        Sweep(EncodeUtf8(folder));
}

RunFolder RunFolder::Create(std::u16string_view nearFile)
{
    if (!Usable(nearFile))
        return {};
    const std::string folder = FolderOf(nearFile);
    Sweep(folder);
    std::string pattern = (fs::path(folder) / (std::string(kRunFolderPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    const int lock = LockInside(pattern);
    if (lock < 0) {
        std::error_code error;
        fs::remove_all(pattern, error);
        return {};
    }
    return RunFolder(DecodeUtf8(pattern), lock);
}

RunFolder::RunFolder(RunFolder&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_lock(std::exchange(other.m_lock, -1))
{
}

RunFolder& RunFolder::operator=(RunFolder&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_path = std::exchange(other.m_path, {});
        m_lock = std::exchange(other.m_lock, -1);
    }
    return *this;
}

RunFolder::~RunFolder()
{
    Remove();
}

void RunFolder::Remove()
{
    if (!m_path.empty()) {
        std::error_code error;
        fs::remove_all(EncodeUtf8(m_path), error);
        m_path.clear();
    }
    // Only once the folder is gone: a sweep must never find it unlocked.
    if (m_lock >= 0)
        ::close(std::exchange(m_lock, -1));
}

Replaced ReplaceFile(std::u16string_view from, std::u16string_view to)
{
    if (!Usable(from) || !Usable(to))
        return Replaced::NotMoved;
    // Some file systems (XFS, btrfs, ext4 without auto_da_alloc) may write a rename before the
    // data it names: after a power loss the output would be empty, and the earlier file gone.
    {
        const Fd file(::open(EncodeUtf8(from).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!file || Sync(file.Get()) != 0)
            return Replaced::NotSynced;
    }
    if (std::rename(EncodeUtf8(from).c_str(), EncodeUtf8(to).c_str()) != 0)
        return Replaced::NotMoved;
    const Fd dir(::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir || Sync(dir.Get()) != 0)
        return Replaced::FolderNotSynced;
    return Replaced::Yes;
}

void SetSyncHook(std::function<int(int fd)> sync)
{
    std::lock_guard<std::mutex> guard(g_syncGuard);
    g_sync = std::move(sync);
}
