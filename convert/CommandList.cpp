#include "convert/CommandList.h"

#include <utility>

void CommandList::Clear()
{
    m_commands.clear();
}

void CommandList::Append(std::u16string command)
{
    m_commands.push_back(std::move(command));
}

const std::u16string& CommandList::At(std::size_t index) const
{
    static const std::u16string kNone;
    return index < m_commands.size() ? m_commands[index] : kNone;
}
