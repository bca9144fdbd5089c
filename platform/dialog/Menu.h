#pragma once
// The dialog's window menu. Linux window managers keep their own window menu to themselves,
// so the dialog shows this one as its context menu; choosing an item sends its id to the
// dialog's OnSysCommand.

#include <string>
#include <string_view>
#include <vector>

inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_SEPARATOR = 0x0800;

class CMenu {
public:
    struct Item {
        bool separator;
        unsigned id;
        std::u16string text;
    };

    bool AppendMenu(unsigned flags, unsigned id = 0, std::u16string_view text = {});
    const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};
