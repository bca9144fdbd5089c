#include "platform/process/ProgramPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/text/CommandLine.h"

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string SearchPath(const std::string& name)
{
    const char* env = std::getenv("PATH");
    const std::string path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(':', start);
        const std::string dir = path.substr(start, end == std::string::npos ? end : end - start);
        // An empty entry names the current directory.
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (end == std::string::npos)
            return {};
        start = end + 1;
    }
}

}  // namespace

std::string ResolveProgram(std::string_view name)
{
    std::string path(name);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.empty())
        return {};

    const std::string stem(WithoutExe(path));
    const bool exe = stem.size() != path.size();
    // A name without a directory is still a relative name: like the system it was written
    // for, the current directory comes first. "./" keeps exec from searching PATH itself.
    const std::string local = path.find('/') == std::string::npos ? "./" : "";
    if (Exists(local + path))
        return local + path;
    if (exe && !stem.empty() && stem.back() != '/' && Exists(local + stem))
        return local + stem;

    const std::string_view bare = BareProgramName(path);
    if (bare.empty())
        return {};
    return SearchPath(std::string(bare));
}

std::vector<std::string> ProgramFolders(const std::string& program)
{
    std::vector<std::string> folders;
    const auto folderOf = [](const std::string& path) {
        const std::size_t slash = path.rfind('/');
        return slash == 0 ? std::string("/") : path.substr(0, slash);
    };
    std::string found = program;
    if (!found.empty() && found.front() != '/') {
        if (char* here = ::getcwd(nullptr, 0)) {
            found = std::string(here) + '/' + found;
            std::free(here);
        }
    }
    if (found.empty() || found.front() != '/')
        return folders;
    folders.push_back(folderOf(found));
    if (char* real = ::realpath(found.c_str(), nullptr)) {
        const std::string folder = folderOf(real);
        std::free(real);
        if (folder != folders.front())
            folders.push_back(folder);
    } else {
        folders.clear();
    }
    return folders;
}
