#pragma once
// The file dialog: the user picks or types a file name. The dialog of the Open kind accepts
// any name, whether the file exists or not, and asks nothing about overwriting; with several
// to choose, it takes files that exist.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CWnd;

// The read-only check box is never offered here.
inline constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
// Several files may be chosen at once.
inline constexpr unsigned OFN_ALLOWMULTISELECT = 0x00000200;

class CFileDialog {
public:
    // `filter` holds pairs "name|patterns|" and ends with one more '|', e.g.
    // "所有文件 (*.*)|*.*||". Names show as written; patterns are separated by ';', and "*.*"
    // matches every file, also one without a dot. Without `pParentWnd` the dialog is owned
    // by the application's main window, else by the active window.
    CFileDialog(bool bOpenFileDialog, const char16_t* defExt = nullptr,
                const char16_t* fileName = nullptr, unsigned flags = OFN_HIDEREADONLY,
                std::u16string_view filter = {}, CWnd* pParentWnd = nullptr);

    // IDOK when the user confirmed a name, IDCANCEL otherwise.
    std::intptr_t DoModal();
    // The full path of the confirmed name; empty until one is confirmed. The first of several.
    std::u16string GetPathName() const;
    // Every confirmed name's full path, in the order given.
    std::vector<std::u16string> GetPathNames() const;

private:
    bool m_bOpenFileDialog;
    bool m_bMultiSelect;
    std::u16string m_defExt;
    std::u16string m_fileName;
    std::u16string m_filter;
    CWnd* m_pParentWnd;
    std::vector<std::u16string> m_pathNames;
};
