// A window's text, whatever kind of control shows it, and what assistive technology hears
// of it: the names its label gives, the accessible name, and announcements.

#include "platform/dialog/Wnd.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/dialog/private/GroupBoxWidget_p.h"
#include "platform/dialog/private/LiveTextWidget_p.h"
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

void CWnd::SetWindowText(std::u16string_view text)
{
    AssertGuiThread();
    if (m_pImpl->widget) {
        SetText(m_pImpl->widget, ToQString(text));
        RefreshAccessibleNames(*m_pImpl);
    }
}

std::u16string CWnd::GetWindowText() const
{
    AssertGuiThread();
    return m_pImpl->widget ? FromQString(Text(m_pImpl->widget)) : std::u16string();
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
