#include "platform/text/CommandLine.h"

#include <algorithm>

#include "platform/text/AsciiCase.h"

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

template <typename Char>
std::basic_string<Char> Quote(std::basic_string_view<Char> argument, bool always = false)
{
    const bool needsQuotes = always || argument.empty() || std::ranges::any_of(argument, [](Char c) {
        return c == Char(' ') || c == Char('\t') || c == Char('"');
    });
    if (!needsQuotes)
        return std::basic_string<Char>(argument);

    std::basic_string<Char> quoted;
    quoted.reserve(argument.size() + 2);
    quoted += Char('"');
    std::size_t backslashes = 0;
    for (const Char c : argument) {
        if (c == Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == Char('"')) {
            quoted.append(2 * backslashes + 1, Char('\\'));
        } else {
            quoted.append(backslashes, Char('\\'));
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, Char('\\'));
    quoted += Char('"');
    return quoted;
}

// Reads the program name from `i` on, leaving `i` after it: quotes only group, backslashes
// are part of the path.
std::string ReadProgram(std::string_view line, std::size_t& i)
{
    std::string program;
    bool quoted = false;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsSeparator(c))
            break;
        program += c;
    }
    return program;
}

std::size_t SkipSeparators(std::string_view line, std::size_t i)
{
    while (i < line.size() && IsSeparator(line[i]))
        ++i;
    return i;
}

}  // namespace

std::string ProgramWord(std::string_view line)
{
    std::size_t i = SkipSeparators(line, 0);
    return ReadProgram(line, i);
}

std::string_view BareProgramName(std::string_view program)
{
    if (const std::size_t slash = program.find_last_of("\\/"); slash != std::string_view::npos)
        program.remove_prefix(slash + 1);
    return WithoutExe(program);
}

std::string_view WithoutExe(std::string_view program)
{
    constexpr std::string_view kExe = ".exe";
    if (program.size() >= kExe.size() && EqualsAsciiNoCase(program.substr(program.size() - kExe.size()), kExe))
        program.remove_suffix(kExe.size());
    return program;
}

namespace {

// Reads the arguments from `i` on by the argument rules, into `args`.
void ReadArguments(std::string_view line, std::size_t i, std::vector<std::string>& args)
{
    const size_t n = line.size();
    for (;;) {
        i = SkipSeparators(line, i);
        if (i == n)
            break;
        std::string arg;
        bool quoted = false;
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
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    size_t i = SkipSeparators(line, 0);
    if (i == line.size())
        return args;
    args.push_back(ReadProgram(line, i));
    ReadArguments(line, i, args);
    return args;
}

std::vector<std::string> SplitArguments(std::string_view line)
{
    std::vector<std::string> args;
    ReadArguments(line, 0, args);
    return args;
}

std::u16string QuoteArgument(std::u16string_view argument)
{
    return Quote(argument);
}

std::u16string QuoteArgumentAlways(std::u16string_view argument)
{
    return Quote(argument, true);
}
