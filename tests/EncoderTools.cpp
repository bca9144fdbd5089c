#include "tests/EncoderTools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

int RunProgram(std::vector<std::string> argv, const std::string& outLog, const std::string& errLog)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (errLog.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

int MakeClip(const std::string& path, const std::vector<std::string>& options, double seconds,
             const std::string& log)
{
    const std::string length = std::to_string(seconds);
    std::vector<std::string> argv{"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  "testsrc=size=160x120:rate=25:duration=" + length, "-f", "lavfi", "-i",
                                  "sine=frequency=440:sample_rate=22050:duration=" + length};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(path);
    return RunProgram(argv, log);
}

std::string Probe::operator[](const std::string& key) const
{
    const auto found = fields.find(key);
    return found == fields.end() ? std::string() : found->second;
}

Probe ProbeFile(const std::string& path, double seconds, const std::string& scratch)
{
    Probe probe;
    std::filesystem::remove(scratch);
    if (RunProgram({"ffprobe", "-v", "error", "-show_entries",
                    "stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate,channels"
                    ":packet=stream_index,size:format=format_name,duration",
                    "-of", "compact=p=0:nk=0", path},
                   scratch) != 0)
        return probe;
    std::map<std::string, std::string> streamType;
    std::istringstream lines(ReadFile(scratch));
    for (std::string line; std::getline(lines, line);) {
        std::map<std::string, std::string> entry;
        std::istringstream pairs(line);
        for (std::string pair; std::getline(pairs, pair, '|');)
            if (const auto eq = pair.find('='); eq != std::string::npos)
                entry[pair.substr(0, eq)] = pair.substr(eq + 1);
        if (entry.contains("format_name")) {
            probe.fields["format.format_name"] = entry["format_name"];
            probe.fields["format.duration"] = entry["duration"];
        } else if (entry.contains("codec_type")) {
            for (const auto& [key, value] : entry)
                probe.fields[entry["codec_type"] + "." + key] = value;
            streamType[std::to_string(streamType.size())] = entry["codec_type"];
        } else if (entry.contains("stream_index")) {
            probe.kbps[entry["stream_index"]] += std::stod(entry["size"]) * 8 / 1000;
        }
    }
    std::map<std::string, double> byType;
    for (const auto& [index, kbits] : probe.kbps)
        byType[streamType[index]] = kbits / seconds;
    probe.kbps = byType;
    return probe;
}

double Rate(const std::string& fraction)
{
    const auto slash = fraction.find('/');
    if (slash == std::string::npos)
        return std::atof(fraction.c_str());
    const double denominator = std::atof(fraction.c_str() + slash + 1);
    return denominator == 0 ? 0 : std::atof(fraction.substr(0, slash).c_str()) / denominator;
}
