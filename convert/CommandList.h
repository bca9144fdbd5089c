#pragma once
// The commands of one conversion, in the order they run. Convert fills it; the run that starts
// them keeps a copy and its own place in it.

#include <cstddef>
#include <string>
#include <vector>

class CommandList {
public:
    void Clear();
    void Append(std::u16string command);

    std::size_t Size() const { return m_commands.size(); }
    bool IsEmpty() const { return m_commands.empty(); }
    // The command at `index`; an empty string past the end.
    const std::u16string& At(std::size_t index) const;
    const std::vector<std::u16string>& All() const { return m_commands; }

private:
    std::vector<std::u16string> m_commands;
};
