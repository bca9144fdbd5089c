#include "convert/SourceList.h"

#include "platform/text/CommandLine.h"
#include "platform/text/ShellPath.h"
#include "platform/text/TextCodec.h"

std::vector<std::u16string> SplitSources(std::u16string_view field)
{
    const std::size_t first = field.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos)
        return field.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{std::u16string(field)};
    if (field[first] != u'"')
        return {std::u16string(field)};
    std::vector<std::u16string> paths;
    for (const std::string& path : SplitArguments(EncodeUtf8(field)))
        paths.push_back(DecodeUtf8(path));
    return paths;
}

std::u16string JoinSources(const std::vector<std::u16string>& paths)
{
    if (paths.size() == 1)
        return paths.front();
    std::u16string field;
    for (const std::u16string& path : paths) {
        if (!field.empty())
            field += u' ';
        field += QuoteArgumentAlways(path);
    }
    return field;
}

std::u16string BatchOutput(std::u16string_view source, std::u16string_view folder, std::u16string_view extension)
{
    std::u16string output(source);
    if (!folder.empty()) {
        output = std::u16string(folder);
        if (!output.ends_with(u'/'))
            output += u'/';
        output += PathFindFileNameW(source);
    }
    // As the default output name: a name too long for the new extension keeps its own.
    PathRenameExtensionW(output, extension);
    return output;
}
