#pragma once
// What a child may touch: the files and folders it may read, those it may write, and whether
// it may open network connections, enforced by the kernel (Landlock, seccomp) once the child
// has applied it. The rules are built in the parent; the child only switches them on.

#include <string>
#include <vector>

#include "platform/process/UniqueFd.h"

struct ConfinementRules {
    std::vector<std::string> readFiles;   // single files, read only (a symlink is granted as the file it names)
    std::vector<std::string> readTrees;   // folders read (and run from) with all below them
    std::vector<std::string> writeTrees;  // folders read, written, created in, removed from, truncated
    bool network = false;                 // false: no TCP (Landlock ABI >= 4) and no internet sockets (seccomp)
};

// The system folders an encoder (or a reader of media files) needs on Debian 12 and 13.
std::vector<std::string> SystemReadTrees();

class Confinement {
public:
    // In the parent: opens the paths, builds the Landlock ruleset for the highest ABI the kernel
    // reports (leaving out rights it does not know) and the seccomp filter. Allocates.
    static Confinement Prepare(const ConfinementRules& rules);
    // Between fork and exec (or in a single-threaded process): PR_SET_NO_NEW_PRIVS, seccomp,
    // landlock_restrict_self. Async-signal-safe, allocates and locks nothing. 0, or an errno on a
    // real failure; a kernel without Landlock (ENOSYS, EOPNOTSUPP) is not a failure: it runs unconfined.
    int Apply() const noexcept;
    // One line for the debug output: how confined (ABI, TCP rules or not, seccomp, or "unconfined: ...").
    std::string Describe() const;

    Confinement() = default;  // confines nothing: Apply does nothing
    Confinement(Confinement&&) noexcept = default;
    Confinement& operator=(Confinement&&) noexcept = default;

    // The Landlock ABI the ruleset was built for; 0 when there is none.
    int LandlockAbi() const { return m_nAbi; }

private:
    // One instruction of a classic BPF program, laid out as the kernel reads it.
    struct FilterStep {
        unsigned short code;
        unsigned char jumpTrue;
        unsigned char jumpFalse;
        unsigned int value;
    };

    bool m_bActive = false;      // Apply does something at all
    UniqueFd m_ruleset;          // the Landlock ruleset, close-on-exec; closed when none
    int m_nAbi = 0;
    int m_nLandlockError = 0;    // why there is no ruleset, when there is none
    bool m_bTcpRules = false;
    bool m_bScoped = false;      // abstract Unix sockets of other domains out of reach
    std::vector<FilterStep> m_filter;  // empty: no seccomp filter
};
