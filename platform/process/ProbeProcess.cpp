#include "platform/process/ProbeProcess.h"

#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/process/ChildProcess.h"
#include "platform/process/UniqueFd.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at its caller's cancel flag.
constexpr std::chrono::milliseconds kCancelTick{20};
// "4096\n" at most.
constexpr std::size_t kMostFrameHeader = 5;

enum class Frame { Whole, Partial, Nonsense };

// Whether `bytes` is one whole frame, the start of one, or no frame at all; `text` gets a whole
// frame's text. Bytes beyond a whole frame are nonsense: the helper answers once per question.
Frame ReadFrame(const std::string& bytes, std::string& text)
{
    const std::size_t end = bytes.find('\n');
    const std::size_t digits = end == std::string::npos ? bytes.size() : end;
    if (digits > kMostFrameHeader - 1 || !std::all_of(bytes.begin(), bytes.begin() + static_cast<long>(digits),
                                                      [](char c) { return c >= '0' && c <= '9'; }))
        return Frame::Nonsense;
    if (end == std::string::npos)
        return Frame::Partial;
    if (digits == 0 || (digits > 1 && bytes[0] == '0'))
        return Frame::Nonsense;
    const std::size_t length = std::stoul(bytes.substr(0, digits));
    if (length > kMostProbeFrame)
        return Frame::Nonsense;
    const std::size_t have = bytes.size() - end - 1;
    if (have < length)
        return Frame::Partial;
    if (have > length)
        return Frame::Nonsense;
    text = bytes.substr(end + 1);
    return Frame::Whole;
}

bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        // A helper that has died must not take the program with it by SIGPIPE.
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

struct ProbeProcess::Helper {
    std::unique_ptr<ChildProcess> process;
    UniqueFd socket;  // its standard input and output
};

ProbeProcess::ProbeProcess(std::string helper, std::chrono::milliseconds bound)
    : m_helper(std::move(helper)), m_bound(bound)
{
}

ProbeProcess::~ProbeProcess()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_idle.clear();
}

std::size_t ProbeProcess::Helpers() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_idle.size() + m_nBusy;
}

std::unique_ptr<ProbeProcess::Helper> ProbeProcess::Start(std::string& why)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        why = "no socket for the reader";
        return nullptr;
    }
    UniqueFd ours(ends[0]);
    UniqueFd theirs(ends[1]);
    auto helper = std::make_unique<Helper>();
    int error = 0;
    const bool ran = m_spawner.Run([&] {
        helper->process = ChildProcess::Spawn(m_helper, {m_helper}, theirs.Get(), theirs.Get(), STDERR_FILENO, error);
    });
    if (!ran || !helper->process) {
        why = "the reader could not start";
        return nullptr;
    }
    helper->socket = std::move(ours);
    return helper;
}

ProbeProcess::Answer ProbeProcess::Ask(const std::string& path, const std::atomic<bool>* cancel)
{
    if (path.empty() || path.size() >= PATH_MAX || path.find('\0') != std::string::npos)
        return {std::nullopt, "no such file"};
    std::unique_ptr<Helper> helper;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_idle.empty()) {
            helper = std::move(m_idle.back());
            m_idle.pop_back();
        }
        ++m_nBusy;
    }
    Answer answer;
    if (!helper)
        helper = Start(answer.why);
    if (helper)
        answer = Converse(*helper, path, cancel);
    std::lock_guard<std::mutex> lock(m_lock);
    --m_nBusy;
    // Only a helper that answered in turn is still in step with its questions.
    if (helper && answer.text)
        m_idle.push_back(std::move(helper));
    return answer;
}

ProbeProcess::Answer ProbeProcess::Converse(Helper& helper, const std::string& path,
                                            const std::atomic<bool>* cancel) const
{
    const std::string request = path + '\0';
    if (!SendAll(helper.socket.Get(), request.data(), request.size()))
        return {std::nullopt, "the reader has ended"};
    const Clock::time_point deadline = Clock::now() + m_bound;
    std::string bytes;
    for (;;) {
        if (cancel && cancel->load())
            return {std::nullopt, "cancelled"};
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return {std::nullopt, "the reader did not answer in time"};
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (cancel)
            wait = std::min(wait, kCancelTick);
        pollfd ready{helper.socket.Get(), POLLIN, 0};
        const int n = ::poll(&ready, 1, static_cast<int>(wait.count()));
        if (n < 0 && errno != EINTR)
            return {std::nullopt, "the reader cannot be heard"};
        if (n <= 0)
            continue;
        char chunk[1024];
        const ssize_t got = ::recv(helper.socket.Get(), chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {std::nullopt, "the reader has ended"};
        bytes.append(chunk, static_cast<std::size_t>(got));
        std::string text;
        switch (ReadFrame(bytes, text)) {
        case Frame::Whole:
            return {std::move(text), {}};
        case Frame::Partial:
            break;
        case Frame::Nonsense:
            return {std::nullopt, "the reader answered nonsense"};
        }
    }
}

std::string FindHelperProgram(const std::string& name)
{
    // The running executable's folder as the kernel names it, and as the program was started
    // (they differ where a mount namespace made after the start sees another root).
    std::vector<std::string> folders;
    char self[PATH_MAX];
    if (const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1); length > 0)
        folders.emplace_back(self, static_cast<std::size_t>(length));
    if (const auto* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN)); started && *started == '/')
        folders.emplace_back(started);
    for (std::string folder : folders) {
        folder.erase(folder.rfind('/') + 1);
        for (const std::string& candidate : {folder + name, folder + "../libexec/tarvex/" + name})
            if (IsExecutableFile(candidate))
                return candidate;
    }
    return {};
}
