// The command line: files to open, the two informative options, and what it refuses.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ProgramArguments.h"

namespace {

using Action = ProgramArguments::Action;

TEST(ProgramArguments, FilesOptionsAndTheEndOfOptions)
{
    const struct {
        const char* what;
        std::vector<std::string> args;
        Action action;
        std::vector<std::u16string> files;
    } cases[] = {
        {"nothing", {}, Action::Run, {}},
        {"one file", {"clip.mp4"}, Action::Run, {u"clip.mp4"}},
        // Kept in order, with blanks and non-ASCII names whole.
        {"several", {"/v/a b.avi", "第二.flv"}, Action::Run, {u"/v/a b.avi", u"第二.flv"}},
        {"help", {"--help"}, Action::Help, {}},
        {"short help", {"-h"}, Action::Help, {}},
        {"version", {"--version"}, Action::Version, {}},
        // An option among files still decides; the files are not opened.
        {"help after a file", {"a.avi", "--help"}, Action::Help, {}},
        {"unknown", {"--bogus"}, Action::Unknown, {}},
        {"unknown before help", {"-x", "--help"}, Action::Unknown, {}},
        // After "--" a name that starts with "-" is a file, "--" itself included.
        {"end of options", {"--", "-odd.mp4", "--help", "--"}, Action::Run, {u"-odd.mp4", u"--help", u"--"}},
        {"a lone dash", {"-"}, Action::Run, {u"-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramArguments read = ReadProgramArguments(c.args);
        EXPECT_EQ(read.action, c.action);
        EXPECT_EQ(read.files, c.files);
    }
    EXPECT_EQ(ReadProgramArguments({"a.avi", "--bogus"}).unknown, "--bogus");
    EXPECT_NE(UsageText("tarvex").find("Usage: tarvex [FILE...]"), std::string::npos);
}

}  // namespace
