#include "platform/dialog/DataExchange.h"

#include <QLineEdit>

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Numbers are read from ASCII only; anything else makes the text unreadable.
bool ToAscii(std::u16string_view text, std::string& out)
{
    out.clear();
    for (char16_t c : text) {
        if (c > 0x7F)
            return false;
        out.push_back(static_cast<char>(c));
    }
    return true;
}

// The trimmed ASCII text of a number without its leading '+', as [first, last); false when
// nothing readable is left.
bool NumberText(std::u16string_view text, std::string& ascii, const char*& first, const char*& last)
{
    if (!ToAscii(Trimmed(text), ascii) || ascii.empty())
        return false;
    first = ascii.data();
    last = first + ascii.size();
    if (*first == '+')
        ++first;
    return first != last;
}

// The control bound to `id`, or null when the dialog lacks it (the lookup reports that).
CWnd* Control(CDataExchange* pDX, int id)
{
    CWnd* control = pDX->m_pDlgWnd->GetDlgItem(id);
    return WidgetOf(*control) ? control : nullptr;
}

}  // namespace

CDataExchange::CDataExchange(CDialog* pDlg, bool bSaveAndValidate)
    : m_pDlgWnd(pDlg), m_bSaveAndValidate(bSaveAndValidate)
{
}

void CDataExchange::Fail(int id, const char16_t* message)
{
    m_bFailed = true;
    m_pDlgWnd->MessageBox(message, {}, MB_OK | MB_ICONWARNING);
    CWnd* control = m_pDlgWnd->GetDlgItem(id);
    control->SetFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(WidgetOf(*control)))
        edit->selectAll();
}

bool ParseUInt32(std::u16string_view text, std::uint32_t& value)
{
    std::string ascii;
    const char* first = nullptr;
    const char* last = nullptr;
    if (!NumberText(text, ascii, first, last) || *first < '0' || *first > '9')
        return false;
    std::uint32_t parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed, 10);
    if (ec != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

bool ParseFloat(std::u16string_view text, float& value)
{
    std::string ascii;
    const char* first = nullptr;
    const char* last = nullptr;
    if (!NumberText(text, ascii, first, last) ||
        (*first != '-' && *first != '.' && (*first < '0' || *first > '9')))
        return false;  // no "inf" or "nan"
    double parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(parsed) ||
        std::fabs(parsed) > std::numeric_limits<float>::max())
        return false;
    value = static_cast<float>(parsed);
    return true;
}

std::u16string FormatFloat(float value)
{
    char buffer[32];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::u16string(buffer, ec == std::errc() ? end : buffer);
}

void DDX_Text(CDataExchange* pDX, int id, std::u16string& value)
{
    CWnd* control = Control(pDX, id);
    if (pDX->Failed() || !control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = control->GetWindowText();
    else
        control->SetWindowText(value);
}

void DDX_Text(CDataExchange* pDX, int id, std::uint32_t& value)
{
    CWnd* control = Control(pDX, id);
    if (pDX->Failed() || !control)
        return;
    if (pDX->m_bSaveAndValidate) {
        if (!ParseUInt32(control->GetWindowText(), value))
            pDX->Fail(id, kParseUIntMessage);
    } else {
        const std::string digits = std::to_string(value);
        control->SetWindowText(std::u16string(digits.begin(), digits.end()));
    }
}

void DDX_Text(CDataExchange* pDX, int id, float& value)
{
    CWnd* control = Control(pDX, id);
    if (pDX->Failed() || !control)
        return;
    if (pDX->m_bSaveAndValidate) {
        if (!ParseFloat(control->GetWindowText(), value))
            pDX->Fail(id, kParseRealMessage);
    } else {
        control->SetWindowText(FormatFloat(value));
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    if (pDX->Failed())
        return;
    CButton* box = pDX->m_pDlgWnd->GetButton(id);
    if (!WidgetOf(*box))
        return;
    if (pDX->m_bSaveAndValidate)
        value = box->GetCheck();
    else
        box->SetCheck(value >= 0 && value <= 2 ? value : BST_UNCHECKED);
}
