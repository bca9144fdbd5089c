#pragma once
// What the run's tests and benchmarks share: a folder of their own with the stand-in child
// placed where an encoder is looked for, a plan made the way Convert makes one, and the
// children this program still has.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/FileSystem.h"
#include "platform/text/TextCodec.h"
#include "run/ConversionRun.h"
#include "run/RunPlan.h"

// A fresh folder, entered while this lives, with `child` as ./plugins/`program`; left and
// removed with all in it at the end.
class StandInFolder {
public:
    StandInFolder(const std::string& prefix, const std::filesystem::path& child, const std::string& program)
        : m_previous(std::filesystem::current_path()),
          m_path(std::filesystem::temp_directory_path() / (prefix + std::to_string(std::random_device{}())))
    {
        std::filesystem::create_directories(m_path / "plugins");
        std::filesystem::create_symlink(child, m_path / "plugins" / program);
        std::filesystem::current_path(m_path);
    }
    ~StandInFolder()
    {
        std::filesystem::current_path(m_previous);
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    StandInFolder(const StandInFolder&) = delete;
    StandInFolder& operator=(const StandInFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

// A plan for `output` made as Convert makes one, with the stand-in's `commands`: in a command,
// "{folder}" and "{written}" stand for the run folder and the file the last command writes.
inline RunPlan StandInPlan(const std::filesystem::path& output, const std::vector<std::u16string>& commands)
{
    std::optional<RunPlan> plan = PlanFor(u"", DecodeUtf8(output.string()), [&](const PlanPaths& paths) {
        std::vector<std::u16string> made;
        for (std::u16string command : commands) {
            for (const auto& [name, value] : {std::pair<std::u16string, const std::u16string&>{u"{folder}", paths.folder},
                                              std::pair<std::u16string, const std::u16string&>{u"{written}", paths.newFile}}) {
                for (std::size_t at = command.find(name); at != std::u16string::npos; at = command.find(name, at + value.size()))
                    command.replace(at, name.size(), value);
            }
            made.push_back(command);
        }
        return made;
    });
    // A folder the test made takes new entries: anything else is the test's own fault.
    return std::move(plan).value();
}

// The one plan of a run, as Start takes it.
inline std::vector<RunPlan> OnePlan(RunPlan plan)
{
    std::vector<RunPlan> plans;
    plans.push_back(std::move(plan));
    return plans;
}

// The pid a stand-in encoder wrote into `file`, 0 until it is there: the file exists from its
// open on, before a digit is written, and a writer held in between leaves it empty.
inline int PidTold(const std::filesystem::path& file)
{
    int pid = 0;
    return !file.empty() && (std::ifstream(file) >> pid) ? pid : 0;
}

// The state letter of process `pid` ('T' stopped, 'Z' ended and not reaped), 0 once it is gone.
inline char StateOf(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

// The processes whose parent is this program, ended and not yet reaped ones too.
inline std::vector<int> OwnChildren()
{
    std::vector<int> children;
    const std::string self = std::to_string(::getpid());
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // The fields after the name, which may hold blanks and parentheses itself.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state, parent;
        rest >> state >> parent;
        if (parent == self)
            children.push_back(std::stoi(pid));
    }
    return children;
}
