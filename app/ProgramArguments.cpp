#include "app/ProgramArguments.h"

#include "platform/text/TextCodec.h"

#ifndef TARVEX_VERSION
#error "TARVEX_VERSION comes from the build"
#endif

ProgramArguments ReadProgramArguments(const std::vector<std::string>& args)
{
    ProgramArguments result;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (options && arg.size() > 1 && arg.front() == '-') {
            if (arg == "--help" || arg == "-h") {
                result.action = ProgramArguments::Action::Help;
            } else if (arg == "--version" || arg == "-V") {
                result.action = ProgramArguments::Action::Version;
            } else {
                result.action = ProgramArguments::Action::Unknown;
                result.unknown = arg;
            }
            // The first option decides: "--help --bogus" helps, "--bogus --help" refuses.
            result.files.clear();
            return result;
        }
        // File managers hand names over in UTF-8, as the toolkit names files.
        result.files.push_back(DecodeUtf8(arg));
    }
    return result;
}

std::string UsageText(std::string_view program)
{
    std::string text = "Usage: ";
    text += program;
    text += " [FILE...]\n";
    text += "Convert any video to FLV, and FLV to AVI, MP4, WMV or MP3.\n"
            "\n"
            "Each FILE is taken as the source, as if dropped on the dialog; with several\n"
            "FILEs each is converted in turn. A name that is not a readable file is named\n"
            "in a message and left out.\n"
            "\n"
            "  -h, --help     show this help and exit\n"
            "  -V, --version  show the version and exit\n"
            "  --             take every argument after it as a file name\n";
    return text;
}

std::string VersionText()
{
    return std::string("tarvex ") + TARVEX_VERSION + "\n";
}
