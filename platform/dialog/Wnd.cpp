// The widget behind a window: its state, focus, icon, stacking and place in its parent.

#include "platform/dialog/Wnd.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/dialog/private/WidgetAccess_p.h"

QWidget* WidgetOf(CWnd& wnd)
{
    return wnd.Impl().widget.data();
}

const QWidget* WidgetOf(const CWnd& wnd)
{
    return wnd.Impl().widget.data();
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
