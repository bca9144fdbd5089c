#pragma once
// The helper processes that read files for the program, so that whatever a crafted file does
// to the reader happens in a confined process of its own and not in the program. A helper is
// handed one path at a time and answers with one frame of text; what the text says is the
// caller's to judge (it is untrusted).
//
// One helper per caller at a time: a caller takes an idle helper, or starts one, and gives it
// back once it has answered, so several threads ask at once and a helper's start is paid once
// per concurrent caller. A helper that crashes, hangs, answers out of turn or is abandoned on
// cancel is killed, and the next question starts a new one. Helpers die with the program.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/SpawnThread.h"

// The helper's frame: its length in decimal digits, a line end, then that many bytes.
constexpr std::size_t kMostProbeFrame = 4096;

class ProbeProcess {
public:
    struct Answer {
        std::optional<std::string> text;  // the helper's frame, as it came
        std::string why;                  // when there is none: why, for a log
    };

    // `helper` is the program to start; each answer is waited for at most `bound`.
    explicit ProbeProcess(std::string helper, std::chrono::milliseconds bound = std::chrono::seconds(7));
    ~ProbeProcess();  // every helper killed and reaped
    ProbeProcess(const ProbeProcess&) = delete;
    ProbeProcess& operator=(const ProbeProcess&) = delete;

    // Hands `path` to a helper and waits for its answer, until `bound` has passed or `cancel`
    // (when given) is set. Safe to call from several threads at once.
    Answer Ask(const std::string& path, const std::atomic<bool>* cancel = nullptr);

    // How many helpers run now, idle or answering.
    std::size_t Helpers() const;

private:
    struct Helper;

    std::unique_ptr<Helper> Start(std::string& why);
    // One question and its answer; a helper that gives none is out of step from then on.
    Answer Converse(Helper& helper, const std::string& path, const std::atomic<bool>* cancel) const;

    const std::string m_helper;
    const std::chrono::milliseconds m_bound;
    // Helpers are forked from here: a helper is killed when the thread that forked it ends.
    SpawnThread m_spawner;
    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<Helper>> m_idle;  // under the lock
    std::size_t m_nBusy = 0;                      // likewise
};

// The helper program `name` for this program: beside the running executable (a build folder),
// else in ../libexec/tarvex/ from it (an installed package). Empty when there is none.
std::string FindHelperProgram(const std::string& name);
