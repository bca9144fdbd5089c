#include "platform/text/ShellPath.h"

#include <filesystem>
#include <system_error>

#include "platform/text/TextCodec.h"

std::u16string_view PathFindFileNameW(std::u16string_view path)
{
    const std::size_t slash = path.rfind(u'/');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view PathFindExtensionW(std::u16string_view path)
{
    const std::u16string_view name = PathFindFileNameW(path);
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return path.substr(path.size());
    return name.substr(dot);
}

bool PathRenameExtensionW(std::u16string& path, std::u16string_view extension)
{
    const std::size_t stem = path.size() - PathFindExtensionW(path).size();
    if (stem + extension.size() + 1 > kPathLimit)
        return false;
    path.replace(stem, std::u16string::npos, extension);
    return true;
}

bool PathFileExistsW(std::u16string_view path)
{
    // The file system would read the path only up to a NUL and so ask about another file.
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return false;
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(EncodeUtf8(path)), error);
    return std::filesystem::exists(status);
}
