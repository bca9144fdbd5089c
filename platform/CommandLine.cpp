#include "platform/CommandLine.h"

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();

    while (i < n && IsSeparator(line[i]))
        ++i;
    if (i == n)
        return args;

    // The program name: quotes only group, backslashes are part of the path.
    std::string program;
    bool quoted = false;
    for (; i < n; ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsSeparator(c))
            break;
        program += c;
    }
    args.push_back(std::move(program));

    for (;;) {
        while (i < n && IsSeparator(line[i]))
            ++i;
        if (i == n)
            break;
        std::string arg;
        quoted = false;
        while (i < n) {
            const char c = line[i];
            if (!quoted && IsSeparator(c))
                break;
            if (c == '\\') {
                size_t end = i;
                while (end < n && line[end] == '\\')
                    ++end;
                const size_t count = end - i;
                if (end < n && line[end] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2) {
                        arg += '"';
                        i = end + 1;
                    } else {
                        i = end;  // the quote itself is read on the next turn
                    }
                } else {
                    arg.append(count, '\\');
                    i = end;
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}
