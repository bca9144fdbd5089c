#include "platform/process/Confinement.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

// Older system headers know fewer Landlock rights than the kernel may; the values are fixed
// by the kernel's interface.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif
#ifndef LANDLOCK_ACCESS_NET_BIND_TCP
#define LANDLOCK_ACCESS_NET_BIND_TCP (1ULL << 0)
#endif
#ifndef LANDLOCK_ACCESS_NET_CONNECT_TCP
#define LANDLOCK_ACCESS_NET_CONNECT_TCP (1ULL << 1)
#endif
#ifndef LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET
#define LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET (1ULL << 0)
#endif
#ifndef __NR_landlock_create_ruleset
#define __NR_landlock_create_ruleset 444
#endif
#ifndef __NR_landlock_add_rule
#define __NR_landlock_add_rule 445
#endif
#ifndef __NR_landlock_restrict_self
#define __NR_landlock_restrict_self 446
#endif
#ifndef __NR_io_uring_setup
#define __NR_io_uring_setup 425
#endif

#if defined(__x86_64__)
#define TARVEX_AUDIT_ARCH AUDIT_ARCH_X86_64
#elif defined(__aarch64__)
#define TARVEX_AUDIT_ARCH AUDIT_ARCH_AARCH64
#endif

namespace {

using Access = std::uint64_t;

// The ruleset's attributes as the newest ABI we know them; an older kernel is handed the
// prefix it knows.
struct RulesetAttr {
    Access handledFs;
    Access handledNet;
    Access scoped;
};

// File rights by the ABI that brought them.
constexpr Access kFsAbi1 = (1ULL << 13) - 1;  // execute .. make symlink
Access HandledFs(int abi)
{
    Access fs = kFsAbi1;
    if (abi >= 2)
        fs |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        fs |= LANDLOCK_ACCESS_FS_TRUNCATE;
    if (abi >= 5)
        fs |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
    return fs;
}

constexpr Access kRead = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
constexpr Access kReadTree = kRead | LANDLOCK_ACCESS_FS_EXECUTE;
// Everything a program does to its own files, but never running one it may have written.
constexpr Access kWriteTree = kRead | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                              LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_DIR |
                              LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_REFER |
                              LANDLOCK_ACCESS_FS_TRUNCATE;
// The only rights the kernel takes for a rule on something that is not a folder.
constexpr Access kFileRights = LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE |
                               LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_TRUNCATE |
                               LANDLOCK_ACCESS_FS_IOCTL_DEV;

int KernelLandlockAbi(int& error)
{
    const long abi = ::syscall(__NR_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    error = abi < 0 ? errno : 0;
    return abi < 0 ? 0 : static_cast<int>(abi);
}

// Grants `access` (as far as the ruleset handles it) below `path`; a path that does not exist
// is left out: nothing there to read. A folder named where a single file is meant is left out
// too: the right would reach every file below it.
void AddPath(int ruleset, const std::string& path, Access access, Access handled, bool fileOnly = false)
{
    UniqueFd fd(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || (fileOnly && S_ISDIR(st.st_mode)))
        return;
    if (!S_ISDIR(st.st_mode))
        access &= kFileRights;
    landlock_path_beneath_attr rule{};
    rule.allowed_access = access & handled;
    rule.parent_fd = fd.Get();
    if (rule.allowed_access != 0)
        ::syscall(__NR_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
}

}  // namespace

std::vector<std::string> SystemReadTrees()
{
    // Programs and their libraries (a merged /usr makes /lib* links into it; a link's target
    // is what is granted), the loader's cache and the encoders' own configuration, the font
    // caches (without them fontconfig scans every font at each start), the two devices that
    // libraries open for nothing or for chance, and the processor facts threads are sized by.
    return {"/usr", "/lib", "/lib64", "/etc", "/var/cache/fontconfig",
            "/dev/null", "/dev/urandom", "/sys/devices/system/cpu"};
}

Confinement Confinement::Prepare(const ConfinementRules& rules)
{
    Confinement confinement;
    confinement.m_bActive = true;

    if (!rules.network) {
#ifdef TARVEX_AUDIT_ARCH
        // A socket of any family but the local one is refused; so is io_uring, which could
        // make a socket without the call. Another architecture's calls end the process: their
        // numbers mean other things.
        const auto stmt = [](unsigned short code, unsigned int value) {
            return FilterStep{code, 0, 0, value};
        };
        const auto jump = [](unsigned short code, unsigned int value, unsigned char t, unsigned char f) {
            return FilterStep{code, t, f, value};
        };
        const unsigned int refuse = SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA);
        confinement.m_filter = {
            stmt(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
            jump(BPF_JMP | BPF_JEQ | BPF_K, TARVEX_AUDIT_ARCH, 1, 0),
            stmt(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
            stmt(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#if defined(__x86_64__)
            // The x32 calls share the architecture with a flag in the number.
            jump(BPF_JMP | BPF_JGE | BPF_K, 0x40000000U, 5, 0),
#else
            jump(BPF_JMP | BPF_JA | BPF_K, 0, 0, 0),
#endif
            jump(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_setup, 4, 0),
            jump(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 1, 0),
            stmt(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            // The family, the low half of the first argument on a little-endian machine.
            stmt(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
            jump(BPF_JMP | BPF_JEQ | BPF_K, AF_UNIX, 1, 0),
            stmt(BPF_RET | BPF_K, refuse),
            stmt(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
#endif
    }

    int error = 0;
    const int abi = KernelLandlockAbi(error);
    if (abi < 1) {
        confinement.m_nLandlockError = error != 0 ? error : EOPNOTSUPP;
        return confinement;
    }
    RulesetAttr attr{HandledFs(abi), 0, 0};
    std::size_t attrSize = sizeof attr.handledFs;
    if (abi >= 4 && !rules.network) {
        attr.handledNet = LANDLOCK_ACCESS_NET_BIND_TCP | LANDLOCK_ACCESS_NET_CONNECT_TCP;
        attrSize = offsetof(RulesetAttr, scoped);
    }
    if (abi >= 6) {
        attr.scoped = rules.network ? 0 : LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET;
        attrSize = sizeof attr;
    }
    UniqueFd ruleset(static_cast<int>(::syscall(__NR_landlock_create_ruleset, &attr, attrSize, 0U)));
    if (!ruleset.IsOpen()) {
        confinement.m_nLandlockError = errno;
        return confinement;
    }
    for (const std::string& path : rules.readFiles)
        AddPath(ruleset.Get(), path, LANDLOCK_ACCESS_FS_READ_FILE, attr.handledFs, true);
    for (const std::string& path : rules.readTrees)
        AddPath(ruleset.Get(), path, kReadTree, attr.handledFs);
    for (const std::string& path : rules.writeTrees)
        AddPath(ruleset.Get(), path, kWriteTree, attr.handledFs);

    confinement.m_ruleset = std::move(ruleset);
    confinement.m_nAbi = abi;
    confinement.m_bTcpRules = attr.handledNet != 0;
    confinement.m_bScoped = attr.scoped != 0;
    return confinement;
}



int Confinement::Apply() const noexcept
{
    static_assert(sizeof(FilterStep) == sizeof(sock_filter) && offsetof(FilterStep, value) == offsetof(sock_filter, k));
    if (!m_bActive)
        return 0;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return errno;
    if (!m_filter.empty()) {
        sock_fprog program{};
        program.len = static_cast<unsigned short>(m_filter.size());
        program.filter = reinterpret_cast<sock_filter*>(const_cast<FilterStep*>(m_filter.data()));
        // A kernel built without seccomp filters runs the child as before.
        if (::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) != 0 && errno != EINVAL)
            return errno;
    }
    if (m_ruleset.IsOpen() && ::syscall(__NR_landlock_restrict_self, m_ruleset.Get(), 0U) != 0) {
        if (errno != ENOSYS && errno != EOPNOTSUPP)
            return errno;
    }
    return 0;
}

std::string Confinement::Describe() const
{
    if (!m_bActive)
        return "unconfined: no rules";
    std::string text;
    if (m_ruleset.IsOpen()) {
        text = "confined: Landlock ABI " + std::to_string(m_nAbi) + " (files";
        if (m_bTcpRules)
            text += ", no TCP";
        if (m_bScoped)
            text += ", no abstract sockets";
        text += ")";
    } else {
        text = "unconfined: no Landlock (" + std::string(std::strerror(m_nLandlockError)) + ")";
    }
    text += m_filter.empty() ? ", no seccomp filter" : ", seccomp: local sockets only";
    return text;
}
