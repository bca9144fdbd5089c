// The control classes: edits, combo boxes, check boxes, tab controls and progress bars over
// the widgets the dialog built for them.

#include "platform/dialog/Wnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "platform/dialog/private/ProgressBarWidget_p.h"
#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

template <class T>
T* As(CWnd& wnd)
{
    return qobject_cast<T*>(WidgetOf(wnd));
}

template <class T>
const T* As(const CWnd& wnd)
{
    return qobject_cast<const T*>(WidgetOf(wnd));
}

}  // namespace

void CEdit::SetSel(int nStartChar, int nEndChar)
{
    AssertGuiThread();
    if (auto* edit = As<QLineEdit>(*this)) {
        const int length = static_cast<int>(edit->text().size());
        const int end = nEndChar < 0 || nEndChar > length ? length : nEndChar;
        if (nStartChar < 0)
            edit->deselect();
        else
            edit->setSelection(std::min(nStartChar, end), end - std::min(nStartChar, end));
    } else if (auto* multi = As<QPlainTextEdit>(*this)) {
        QTextCursor cursor = multi->textCursor();
        const int length = static_cast<int>(multi->document()->characterCount()) - 1;
        const int end = nEndChar < 0 || nEndChar > length ? length : nEndChar;
        cursor.setPosition(nStartChar < 0 ? end : std::min(nStartChar, end));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        if (nStartChar < 0)
            cursor.clearSelection();
        multi->setTextCursor(cursor);
        multi->ensureCursorVisible();
    }
}

int CEdit::GetLineCount() const
{
    AssertGuiThread();
    if (const auto* multi = As<QPlainTextEdit>(*this))
        return multi->document()->blockCount();
    return WidgetOf(*this) ? 1 : 0;
}

void CComboBox::ResetContent()
{
    AssertGuiThread();
    if (auto* combo = As<QComboBox>(*this))
        combo->clear();
}

int CComboBox::AddString(std::u16string_view text)
{
    AssertGuiThread();
    auto* combo = As<QComboBox>(*this);
    if (!combo)
        return -1;
    combo->addItem(ToQString(text));
    return combo->count() - 1;
}

void CComboBox::SetCurSel(int index)
{
    AssertGuiThread();
    if (auto* combo = As<QComboBox>(*this))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int CComboBox::GetCurSel() const
{
    AssertGuiThread();
    auto* combo = As<QComboBox>(*this);
    return combo ? combo->currentIndex() : -1;
}

int CComboBox::GetCount() const
{
    AssertGuiThread();
    auto* combo = As<QComboBox>(*this);
    return combo ? combo->count() : 0;
}

std::u16string CComboBox::GetLBText(int index) const
{
    AssertGuiThread();
    auto* combo = As<QComboBox>(*this);
    if (!combo || index < 0 || index >= combo->count())
        return {};
    return FromQString(combo->itemText(index));
}

void CButton::SetCheck(int state)
{
    AssertGuiThread();
    if (auto* box = As<QCheckBox>(*this)) {
        box->setCheckState(state == BST_CHECKED         ? Qt::Checked
                           : state == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                        : Qt::Unchecked);
    }
}

int CButton::GetCheck() const
{
    AssertGuiThread();
    auto* box = As<QCheckBox>(*this);
    if (!box)
        return BST_UNCHECKED;
    switch (box->checkState()) {
    case Qt::Checked:
        return BST_CHECKED;
    case Qt::PartiallyChecked:
        return BST_INDETERMINATE;
    default:
        return BST_UNCHECKED;
    }
}

int CTabCtrl::InsertItem(int index, std::u16string_view text)
{
    AssertGuiThread();
    auto* tabs = As<QTabWidget>(*this);
    if (!tabs)
        return -1;
    // The tab control has no pages of its own: an empty page per tab paints nothing, so the
    // dialog's controls above it show through.
    auto* page = new QWidget;
    Impl().inCode = true;
    const int at = tabs->insertTab(index, page, ToQString(text));
    Impl().inCode = false;
    return at;
}

int CTabCtrl::GetItemCount() const
{
    AssertGuiThread();
    auto* tabs = As<QTabWidget>(*this);
    return tabs ? tabs->count() : 0;
}

int CTabCtrl::GetCurSel() const
{
    AssertGuiThread();
    auto* tabs = As<QTabWidget>(*this);
    return tabs ? tabs->currentIndex() : -1;
}

void CTabCtrl::SetCurSel(int index)
{
    AssertGuiThread();
    auto* tabs = As<QTabWidget>(*this);
    if (!tabs)
        return;
    Impl().inCode = true;
    tabs->setCurrentIndex(index);
    Impl().inCode = false;
}

namespace {

ProgressBarWidget* AsProgressBar(CWnd& wnd)
{
    return dynamic_cast<ProgressBarWidget*>(WidgetOf(wnd));
}

const ProgressBarWidget* AsProgressBar(const CWnd& wnd)
{
    return dynamic_cast<const ProgressBarWidget*>(WidgetOf(wnd));
}

}  // namespace

void CProgressCtrl::SetRange(int nLower, int nUpper)
{
    AssertGuiThread();
    if (ProgressBarWidget* bar = AsProgressBar(*this))
        bar->SetKeptRange(nLower, nUpper);
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const
{
    AssertGuiThread();
    const ProgressBarWidget* bar = AsProgressBar(*this);
    nLower = bar ? bar->KeptLower() : 0;
    nUpper = bar ? bar->KeptUpper() : 0;
}

void CProgressCtrl::SetPos(int nPos)
{
    AssertGuiThread();
    if (ProgressBarWidget* bar = AsProgressBar(*this))
        bar->SetKeptPos(nPos);
}

int CProgressCtrl::GetPos() const
{
    AssertGuiThread();
    const ProgressBarWidget* bar = AsProgressBar(*this);
    return bar ? bar->KeptPos() : 0;
}

void CProgressCtrl::SetMarquee(bool bMarquee)
{
    AssertGuiThread();
    if (ProgressBarWidget* bar = AsProgressBar(*this))
        bar->SetBusy(bMarquee);
}

bool CProgressCtrl::IsMarquee() const
{
    AssertGuiThread();
    const ProgressBarWidget* bar = AsProgressBar(*this);
    return bar && bar->IsBusy();
}
