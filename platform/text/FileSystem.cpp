#include "platform/text/FileSystem.h"

#include <unistd.h>

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

bool IsReadableFile(std::u16string_view path)
{
    if (!RegularFileSize(path))
        return false;
    return ::access(EncodeUtf8(path).c_str(), R_OK) == 0;
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
