#include "platform/dialog/Menu.h"

bool CMenu::AppendMenu(unsigned flags, unsigned id, std::u16string_view text)
{
    if (flags & MF_SEPARATOR)
        m_items.push_back({true, 0, {}});
    else
        m_items.push_back({false, id, std::u16string(text)});
    return true;
}
