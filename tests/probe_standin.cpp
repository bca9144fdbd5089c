// Plays tarvex-probe for the tests of its client: reads paths as the helper does and answers
// each by the end of its name, so that one batch can hold a file of every kind.
//   ...crash     the helper dies (SIGABRT)
//   ...hang      the helper never answers
//   ...nonsense  a frame whose text is no answer
//   ...garbled   bytes that are no frame
//   anything else: a 20 s file with moving pictures and sound
#include <unistd.h>

#include <csignal>
#include <string>

#include "media/MediaAnswer.h"

namespace {

void Send(const std::string& bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + at, bytes.size() - at);
        if (n <= 0)
            ::_exit(3);
        at += static_cast<std::size_t>(n);
    }
}

std::string Frame(const std::string& text)
{
    return std::to_string(text.size()) + '\n' + text;
}

}  // namespace

int main()
{
    std::string path;
    char c;
    while (::read(STDIN_FILENO, &c, 1) == 1) {
        if (c != '\0') {
            path += c;
            continue;
        }
        MediaInfo info;
        info.seconds = 20;
        info.hasVideo = info.hasAudio = true;
        const std::string answer = Frame(FormatMediaAnswer(MediaReading{info, {}}));
        if (path.ends_with("crash"))
            std::abort();
        if (path.ends_with("hang"))
            ::pause();
        if (path.ends_with("nonsense"))
            Send(Frame("tarvex-media 1\nread\nseconds -20\n"));
        else if (path.ends_with("garbled"))
            Send("twenty seconds, I think\n");
        else
            Send(answer);
        path.clear();
    }
    return 0;
}
