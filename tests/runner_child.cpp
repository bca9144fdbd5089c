// Plays the children the runner tests need: one behaviour per first argument.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

void WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            std::exit(3);
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void WriteText(int fd, const std::string& text) { WriteAll(fd, text.data(), text.size()); }

// Byte i of a stream is 'a' + i % 23: a lost or reordered run shows as a break in it.
void Flood(int fd, size_t total)
{
    std::vector<char> block(64 * 1024);
    size_t sent = 0;
    while (sent < total) {
        const size_t n = std::min(block.size(), total - sent);
        for (size_t i = 0; i < n; ++i)
            block[i] = static_cast<char>('a' + (sent + i) % 23);
        WriteAll(fd, block.data(), n);
        sent += n;
    }
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// One step of a script: "verb:argument". Plays the encoder in the queue's tests, where the
// test decides when each chunk comes by creating the file a step waits for.
int Step(const std::string& step)
{
    const std::size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
    if (verb == "out" || verb == "err") {  // text to standard output or error
        WriteText(verb == "out" ? 1 : 2, arg);
    } else if (verb == "outhex" || verb == "errhex") {  // raw bytes, as hex
        WriteText(verb == "outhex" ? 1 : 2, FromHex(arg));
    } else if (verb == "wait") {  // until the file exists, for at most a minute
        for (int i = 0; !Exists(arg); ++i) {
            if (i == 12000)
                return 4;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    } else if (verb == "touch") {
        const int fd = ::open(arg.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0)
            ::close(fd);
    } else if (verb == "smallwrites") {  // smallwrites:<bytes>:<write size>:<fd>
        const std::size_t second = arg.find(':'), third = arg.find(':', second + 1);
        const std::size_t total = std::stoul(arg.substr(0, second));
        const std::size_t size = std::stoul(arg.substr(second + 1, third - second - 1));
        const int fd = std::stoi(arg.substr(third + 1));
        const std::string line(size - 1, 'f');
        for (std::size_t sent = 0; sent < total; sent += size)
            WriteText(fd, line + "\n");
    } else if (verb == "stampfile") {  // the monotonic clock in nanoseconds, into the file
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const std::string stamp = std::to_string(std::chrono::nanoseconds(now).count());
        const int fd = ::open(arg.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            WriteText(fd, stamp);
            ::close(fd);
        }
    } else if (verb == "ignore") {  // ignore:2,15 leaves those signals unanswered
        for (std::size_t at = 0; at < arg.size();) {
            const std::size_t comma = arg.find(',', at);
            ::signal(std::stoi(arg.substr(at, comma - at)), SIG_IGN);
            at = comma == std::string::npos ? arg.size() : comma + 1;
        }
    } else if (verb == "pidfile") {  // its own pid, into the file
        const std::string pid = std::to_string(::getpid());
        const int fd = ::open(arg.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            WriteText(fd, pid);
            ::close(fd);
        }
    } else if (verb == "read") {  // the file's bytes, to standard output; 40 when refused
        const int fd = ::open(arg.c_str(), O_RDONLY);
        char buffer[256];
        ssize_t n = 0;
        while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
            WriteAll(1, buffer, static_cast<size_t>(n));
        if (fd < 0 || n < 0)
            return 40;
        ::close(fd);
    } else if (verb == "list") {  // a folder's first entries; 41 when refused
        DIR* folder = ::opendir(arg.c_str());
        if (folder == nullptr)
            return 41;
        ::closedir(folder);
    } else if (verb == "create") {  // a new file holding its own name; 42 when refused
        const int fd = ::open(arg.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return 42;
        WriteText(fd, arg);
        ::close(fd);
    } else if (verb == "connect") {  // to 127.0.0.1:<port>; 43 when refused
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(arg)));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return 43;
        ::close(fd);
    } else if (verb == "spawn") {  // a grandchild in its group: its pid into the file; it ends
        // with its parent, polling, so that a grandchild left stopped stays to be seen.
        const pid_t parent = ::getpid();
        if (::fork() == 0) {
            const std::string pid = std::to_string(::getpid());
            const int fd = ::open(arg.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                WriteText(fd, pid);
                ::close(fd);
            }
            for (int i = 0; i < 12000 && ::getppid() == parent; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ::_exit(0);
        }
    } else if (verb == "raise") {  // dies of the signal
        ::raise(std::stoi(arg));
    } else if (verb == "exit") {
        return std::stoi(arg);
    } else {
        WriteText(2, "unknown step " + step + "\n");
        return 2;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const auto arg = [&](int i) { return std::string(argc > i ? argv[i] : ""); };

    if (mode == "script") {  // the steps in order; "exit:N" ends it early
        for (int i = 2; i < argc; ++i)
            if (const int code = Step(argv[i]); code >= 0)
                return code;
        return 0;
    }
    if (mode == "args") {  // each argument, hex-encoded, one a line
        for (int i = 2; i < argc; ++i) {
            std::string line;
            for (const unsigned char c : std::string(argv[i])) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02x", c);
                line += hex;
            }
            WriteText(1, line + "\n");
        }
        return 0;
    }
    if (mode == "echo") {  // the text, then at once the end
        WriteText(1, arg(2));
        return 0;
    }
    if (mode == "write") {  // that many bytes in one write
        const std::string text(std::stoul(arg(2)), 'x');
        WriteText(1, text);
        return 0;
    }
    if (mode == "both") {
        WriteText(1, "to output\n");
        WriteText(2, "to error\n");
        return 0;
    }
    if (mode == "nul") {
        WriteAll(1, "ab\0cd", 5);
        return 0;
    }
    if (mode == "flood") {  // flood <bytes> <fd>
        Flood(std::stoi(arg(3)), std::stoul(arg(2)));
        return 0;
    }
    if (mode == "flood-error-by-pipe-size") {  // <times> the pipe's capacity to standard error
        const int capacity = ::fcntl(2, F_GETPIPE_SZ);
        const size_t total = static_cast<size_t>(capacity) * std::stoul(arg(2));
        WriteText(1, std::to_string(total) + "\n");
        Flood(2, total);
        return 0;
    }
    if (mode == "stamp") {  // the monotonic clock in nanoseconds, then the end at once
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        WriteText(1, std::to_string(std::chrono::nanoseconds(now).count()) + "\n");
        return 0;
    }
    if (mode == "-i") {  // an encoder that writes its input unchanged: -i SOURCE ... OUTPUT
        const int in = ::open(arg(2).c_str(), O_RDONLY | O_CLOEXEC);
        const int out = ::open(argv[argc - 1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (in < 0 || out < 0)
            return 1;
        char buffer[64 * 1024];
        ssize_t n;
        while ((n = ::read(in, buffer, sizeof buffer)) > 0)
            WriteAll(out, buffer, static_cast<size_t>(n));
        return n < 0 || ::close(out) != 0 ? 1 : 0;
    }
    if (mode == "exit")
        return std::stoi(arg(2));
    if (mode == "signal") {
        WriteText(1, "dying\n");
        ::kill(::getpid(), SIGTERM);
        ::pause();
        return 0;
    }
    if (mode == "grandchild") {  // a grandchild keeps the pipes open for a while
        if (::fork() == 0) {
            std::this_thread::sleep_for(std::chrono::seconds(std::stoi(arg(2))));
            WriteText(1, "late\n");
            return 0;
        }
        WriteText(1, "parent done\n");
        return 0;
    }
    if (mode == "stdin") {  // counts standard input up to its end
        char buffer[256];
        size_t total = 0;
        ssize_t n;
        while ((n = ::read(0, buffer, sizeof buffer)) > 0)
            total += static_cast<size_t>(n);
        WriteText(1, "eof " + std::to_string(total) + (n < 0 ? " error" : "") + "\n");
        return 0;
    }
    if (mode == "sleep") {  // sleep <seconds>, after telling its pid
        WriteText(1, std::to_string(::getpid()) + "\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(
            static_cast<long>(std::stod(arg(2)) * 1000)));
        WriteText(1, "woke\n");
        return 0;
    }
    if (mode == "state") {  // what the child inherited
        sigset_t mask;
        sigprocmask(SIG_SETMASK, nullptr, &mask);
        int blocked = 0;
        for (int sig = 1; sig < NSIG; ++sig)
            blocked += sigismember(&mask, sig) == 1;
        struct sigaction pipeAction {};
        sigaction(SIGPIPE, nullptr, &pipeAction);
        std::string fds;
        for (int fd = 0; fd < 1024; ++fd)
            if (::fcntl(fd, F_GETFD) >= 0)
                fds += std::to_string(fd) + ",";
        WriteText(1, "blocked=" + std::to_string(blocked) +
                         " sigpipe=" + (pipeAction.sa_handler == SIG_DFL ? "default" : "other") +
                         " leader=" + (::getpgid(0) == ::getpid() ? "yes" : "no") +
                         " fds=" + fds + " nice=" + std::to_string(::getpriority(PRIO_PROCESS, 0)) + "\n");
        return 0;
    }
    WriteText(2, "unknown mode\n");
    return 2;
}
