#include "platform/text/ShellPath.h"

#include <filesystem>
#include <system_error>

namespace {

// Unpaired surrogates cannot name an existing file, so they become U+FFFD.
std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

bool PathQuoteSpacesW(std::u16string& path)
{
    if (path.find(u' ') == std::u16string::npos)
        return false;
    // Two quotes and the terminator have to fit the buffer.
    if (path.size() + 3 > kPathLimit)
        return false;
    path.insert(path.begin(), u'"');
    path += u'"';
    return true;
}

std::u16string_view PathFindExtensionW(std::u16string_view path)
{
    const std::size_t slash = path.rfind(u'/');
    const std::size_t componentStart = slash == std::u16string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < componentStart)
        return path.substr(path.size());
    return path.substr(dot);
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
    const auto status = std::filesystem::status(std::filesystem::path(ToUtf8(path)), error);
    return std::filesystem::exists(status);
}
