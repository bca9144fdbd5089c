#include "tests/ReadOnlyFolder.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fs = std::filesystem;

namespace {

// Set by EnterPrivateMountNamespace when the namespace could not be made.
std::string g_namespaceError = "EnterPrivateMountNamespace() was not called at the start of main()";
bool g_namespaceReady = false;

std::string Failed(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

}  // namespace

void EnterPrivateMountNamespace()
{
    if (::geteuid() != 0) {
        g_namespaceError.clear();
        return;
    }
    if (::unshare(CLONE_NEWNS) != 0) {
        g_namespaceError = Failed("unshare(CLONE_NEWNS)");
        return;
    }
    // Without this the read-only mounts would reach the rest of the machine's namespaces.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_namespaceError = Failed("making the mounts private");
        return;
    }
    g_namespaceError.clear();
    g_namespaceReady = true;
}

bool CanCreateIn(const fs::path& folder)
{
    const fs::path probe = folder / ".write-probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

ReadOnlyFolder::ReadOnlyFolder(fs::path folder) : m_folder(std::move(folder))
{
    if (!g_namespaceError.empty()) {
        m_error = g_namespaceError;
        return;
    }
    if (g_namespaceReady) {
        if (::mount(m_folder.c_str(), m_folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            m_error = Failed("bind mount of " + m_folder.string());
            return;
        }
        m_mounted = true;
        if (::mount(nullptr, m_folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            m_error = Failed("read-only remount of " + m_folder.string());
            return;
        }
    } else {
        std::error_code error;
        m_previous = fs::status(m_folder, error).permissions();
        fs::permissions(m_folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, error);
        if (error) {
            m_error = "taking the write permission of " + m_folder.string() + ": " + error.message();
            return;
        }
        m_chmodded = true;
    }
    if (CanCreateIn(m_folder))
        m_error = m_folder.string() + " still takes new files";
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    // Detached rather than unmounted: the test's current directory may still lie inside.
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
    if (m_chmodded) {
        std::error_code error;
        fs::permissions(m_folder, m_previous, fs::perm_options::replace, error);
    }
}
