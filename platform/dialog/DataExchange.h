#pragma once
// Dialog data exchange: copies between a dialog's controls and its members, one binding at a
// time. A value that cannot be read is refused with the framework's own English message, the
// focus goes to that control, and every later binding of the same exchange is skipped.

#include <cstdint>
#include <string>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlg, bool bSaveAndValidate);

    bool Failed() const { return m_bFailed; }
    // Shows `message`, focuses control `id` and stops the exchange.
    void Fail(int id, const char16_t* message);

    CDialog* const m_pDlgWnd;
    const bool m_bSaveAndValidate;  // true: controls to members

private:
    bool m_bFailed = false;
};

inline constexpr char16_t kParseUIntMessage[] = u"Please enter a positive integer.";
inline constexpr char16_t kParseRealMessage[] = u"Please enter a number.";

void DDX_Text(CDataExchange* pDX, int id, std::u16string& value);
void DDX_Text(CDataExchange* pDX, int id, std::uint32_t& value);
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_Check(CDataExchange* pDX, int id, int& value);

// The readings and the writing behind the bindings, usable on their own.
bool ParseUInt32(std::u16string_view text, std::uint32_t& value);
bool ParseFloat(std::u16string_view text, float& value);
std::u16string FormatFloat(float value);  // at most 6 significant digits
