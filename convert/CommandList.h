#pragma once
// The commands of one run and the position of the next one to start. The GUI thread fills it
// before a run; during the run only the runner's completion path reads it and moves the cursor,
// one child after another, so it needs no lock.

#include <cstddef>
#include <string>
#include <vector>

class CommandList {
public:
    // Empties the list. The cursor is left where it was and is meaningless until Rewind.
    void Clear();
    void Append(std::u16string command);

    std::size_t Size() const { return m_commands.size(); }
    bool IsEmpty() const { return m_commands.empty(); }
    // The command at `index`; an empty string past the end.
    const std::u16string& At(std::size_t index) const;

    // Cursor to the first command.
    void Rewind() { m_nCursor = 0; }
    std::size_t Cursor() const { return m_nCursor; }
    // True once the cursor has passed the last command (also after a Clear that shortened the list).
    bool AtEnd() const { return m_nCursor >= m_commands.size(); }
    // The command at the cursor; an empty string at the end.
    const std::u16string& Current() const;
    void Advance();
    // Moves the cursor past empty commands, so it ends on the next runnable one or at the end.
    void SkipEmpty();

private:
    std::vector<std::u16string> m_commands;
    std::size_t m_nCursor = 0;
};
