#include "platform/dialog/Wnd.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>

#include "platform/dialog/private/GroupBoxWidget_p.h"
#include "platform/dialog/private/LiveTextWidget_p.h"
#include "platform/dialog/private/ProgressBarWidget_p.h"
#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

void SetText(QWidget* w, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(w))
        multi->setPlainText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* group = dynamic_cast<GroupBoxWidget*>(w))
        group->setTitle(text);
    else if (w->isWindow())
        w->setWindowTitle(text);
}

QString Text(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    if (auto* multi = qobject_cast<const QPlainTextEdit*>(w))
        return multi->toPlainText();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->currentText();
    if (auto* group = dynamic_cast<const GroupBoxWidget*>(w))
        return group->title();
    if (w->isWindow())
        return w->windowTitle();
    return {};
}

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

namespace {
AccessibleEventObserver g_accessibleEventObserver = nullptr;
}

void SetAccessibleEventObserver(AccessibleEventObserver observer)
{
    g_accessibleEventObserver = observer;
}

void RaiseAccessibleEvent(QAccessibleEvent& event)
{
    if (g_accessibleEventObserver)
        g_accessibleEventObserver(&event);
    QAccessible::updateAccessibility(&event);
}

QString ToQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}

QWidget* WidgetOf(CWnd& wnd)
{
    return wnd.Impl().widget.data();
}

const QWidget* WidgetOf(const CWnd& wnd)
{
    return wnd.Impl().widget.data();
}

void RefreshAccessibleNames(const WndImpl& label)
{
    if (!label.widget)
        return;
    QString name = Text(label.widget);
    qsizetype blanks = 0;
    while (blanks < name.size() && name[blanks].isSpace())
        ++blanks;
    name = name.mid(blanks);
    for (const QPointer<QWidget>& control : label.named)
        if (control)
            control->setAccessibleName(name);
}

CWnd::CWnd() : m_pImpl(std::make_unique<WndImpl>()) {}

CWnd::~CWnd() = default;

void CWnd::AssertGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    Q_ASSERT(!app || QThread::currentThread() == app->thread());
}

int CWnd::GetDlgCtrlID() const
{
    AssertGuiThread();
    return m_pImpl->id;
}

void CWnd::SetWindowText(std::u16string_view text)
{
    AssertGuiThread();
    if (m_pImpl->widget) {
        SetText(m_pImpl->widget, ToQString(text));
        RefreshAccessibleNames(*m_pImpl);
    }
}

void CWnd::EnableWindow(bool enable)
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->setEnabled(enable);
}

void CWnd::ShowWindow(int nCmdShow)
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->setVisible(nCmdShow != SW_HIDE);
}

std::u16string CWnd::GetWindowText() const
{
    AssertGuiThread();
    return m_pImpl->widget ? FromQString(Text(m_pImpl->widget)) : std::u16string();
}

bool CWnd::IsWindowEnabled() const
{
    AssertGuiThread();
    // A control disabled only because its dialog is (behind a modal window, say) is still
    // enabled in its own right.
    const QWidget* w = m_pImpl->widget;
    return w && w->isEnabledTo(w->window());
}

bool CWnd::IsWindowVisible() const
{
    AssertGuiThread();
    return m_pImpl->widget && m_pImpl->widget->isVisible();
}

void CWnd::SetFocus()
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->setFocus(Qt::OtherFocusReason);
}

bool CWnd::IsActiveWindow() const
{
    AssertGuiThread();
    return m_pImpl->widget && m_pImpl->widget->isActiveWindow();
}

void CWnd::SetIcon(HICON icon, bool bigIcon)
{
    AssertGuiThread();
    // One window icon serves every size here; the small icon is the same picture.
    if (m_pImpl->widget && icon && bigIcon)
        m_pImpl->widget->setWindowIcon(icon->icon);
}

void CWnd::SetAccessibleName(std::u16string_view name)
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->setAccessibleName(ToQString(name));
}

void CWnd::Announce()
{
    AssertGuiThread();
    QWidget* w = m_pImpl->widget;
    if (!w)
        return;
    // The name first, so that a reader which keeps names reads the new text for the alert.
    // Bridges that know no alert at least hear of the new name.
    QAccessibleEvent nameChanged(w, QAccessible::NameChanged);
    RaiseAccessibleEvent(nameChanged);
    QAccessibleEvent alert(w, QAccessible::Alert);
    RaiseAccessibleEvent(alert);
    // Linux readers drop both of those for anything but the focus; a notification that
    // shows is what they speak.
    if (qobject_cast<LiveTextWidget*>(w) && w->isVisible()) {
        QAccessibleEvent shown(w, QAccessible::ObjectShow);
        RaiseAccessibleEvent(shown);
    }
}

void CWnd::BringWindowToTop()
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->raise();
}

CRect CWnd::GetRectInParent() const
{
    AssertGuiThread();
    if (!m_pImpl->widget)
        return {};
    const QRect g = m_pImpl->widget->geometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void CWnd::MoveWindow(const CRect& rect)
{
    AssertGuiThread();
    if (m_pImpl->widget)
        m_pImpl->widget->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

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
