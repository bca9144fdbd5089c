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
