#pragma once
// The commands of one conversion, in the order they run. Convert fills it; the run that starts
// them keeps a copy and its own place in it.

#include <string>
#include <vector>

class CommandList {
public:
    void Clear();
    void Append(std::u16string command);

    const std::vector<std::u16string>& All() const { return m_commands; }

private:
    std::vector<std::u16string> m_commands;
};
