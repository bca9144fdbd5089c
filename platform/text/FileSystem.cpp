#include "platform/text/FileSystem.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text/TextCodec.h"

namespace fs = std::filesystem;

namespace {

fs::path ToPath(std::u16string_view path)
{
    return fs::path(EncodeUtf8(path));
}

// The file system would read a path only up to a NUL and so act on another file.
bool Usable(std::u16string_view path)
{
    return !path.empty() && path.find(u'\0') == std::u16string_view::npos;
}

std::string MakeFolderIn(const fs::path& folder)
{
    std::string pattern = (folder / ".tarvex-run-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace

std::optional<std::uintmax_t> RegularFileSize(std::u16string_view path)
{
    if (!Usable(path))
        return std::nullopt;
    std::error_code error;
    const fs::path file = ToPath(path);
    if (!fs::is_regular_file(file, error))
        return std::nullopt;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error)
        return std::nullopt;
    return size;
}

bool PathsNameSameFile(std::u16string_view a, std::u16string_view b)
{
    if (!Usable(a) || !Usable(b))
        return false;
    std::error_code error;
    const fs::path first = ToPath(a);
    const fs::path second = ToPath(b);
    if (fs::exists(first, error) && fs::exists(second, error))
        return fs::equivalent(first, second, error);
    const fs::path firstSpelling = fs::weakly_canonical(fs::absolute(first, error), error);
    const fs::path secondSpelling = fs::weakly_canonical(fs::absolute(second, error), error);
    return !error && firstSpelling == secondSpelling;
}

bool IsFolder(std::u16string_view path)
{
    std::error_code error;
    return Usable(path) && fs::is_directory(ToPath(path), error);
}

std::u16string CreateRunFolder(std::u16string_view nearFile)
{
    if (!Usable(nearFile))
        return {};
    fs::path folder = ToPath(nearFile).parent_path();
    if (folder.empty())
        folder = ".";
    return DecodeUtf8(MakeFolderIn(folder));
}

bool ReplaceFile(std::u16string_view from, std::u16string_view to)
{
    return Usable(from) && Usable(to) && std::rename(EncodeUtf8(from).c_str(), EncodeUtf8(to).c_str()) == 0;
}

void RemoveRunFolder(std::u16string_view folder)
{
    if (!Usable(folder))
        return;
    std::error_code error;
    fs::remove_all(ToPath(folder), error);
}
