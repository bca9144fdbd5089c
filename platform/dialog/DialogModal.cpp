// A dialog's window from its making to its end: modeless creation, modal runs, and calls
// queued to the GUI thread.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include "platform/dialog/private/DialogImpl_p.h"

bool CDialog::Create()
{
    DialogImpl& d = *m_pDlgImpl;
    if (d.widget)
        return false;
    d.Build();
    OnInitDialog();
    return true;
}

void CDialog::DestroyWindow()
{
    DialogImpl& d = *m_pDlgImpl;
    // The window of a modal run goes when the run returns; destroying it under its own
    // event loop would pull the ground from under the handler that asked.
    if (d.run != DialogImpl::Run::None)
        EndDialog(IDCANCEL);
    else
        d.DestroyWindow();
}

bool CDialog::HasWindow() const
{
    return m_pDlgImpl->widget != nullptr;
}

std::intptr_t CDialog::DoModal()
{
    DialogImpl& d = *m_pDlgImpl;
    if (d.widget || d.run != DialogImpl::Run::None) {
        // Running a window left by Create would break the promise that every run starts
        // from the template.
        qCWarning(lcDialog).nospace().noquote()
            << "dialog \"" << ToQString(m_template.caption)
            << "\": DoModal refused, the dialog has a window already";
        return -1;
    }
    d.run = DialogImpl::Run::Starting;
    d.endRequested = false;
    d.result = IDCANCEL;
    d.Build();
    OnInitDialog();
    if (!d.endRequested && d.widget) {
        d.run = DialogImpl::Run::Looping;
        d.widget->setWindowModality(Qt::ApplicationModal);
        d.widget->exec();
    }
    d.run = DialogImpl::Run::None;
    d.DestroyWindow();
    return d.result;
}

void CDialog::EndDialog(int nResult)
{
    DialogImpl& d = *m_pDlgImpl;
    switch (d.run) {
    case DialogImpl::Run::Starting:
        d.result = nResult;
        d.endRequested = true;
        break;
    case DialogImpl::Run::Looping:
        d.result = nResult;
        if (d.widget)
            d.widget->done(nResult);
        break;
    case DialogImpl::Run::None:
        // A modeless window is only hidden; nothing is kept for a later run.
        if (d.widget)
            d.widget->hide();
        break;
    }
}

void CDialog::PostToGuiThread(std::function<void()> call)
{
    if (call && m_pDlgImpl->posted)
        m_pDlgImpl->posted->Post(std::move(call));
}

void CDialog::PostToGuiThread(std::function<void()> call, int milliseconds)
{
    if (!call || !m_pDlgImpl->posted)
        return;
    // The timer is armed on the GUI thread, and belongs to the posted calls: it goes with them.
    PostedCalls* posted = m_pDlgImpl->posted.get();
    posted->Post([posted, milliseconds, call = std::move(call)] { QTimer::singleShot(milliseconds, posted, call); });
}

void PostedCalls::Post(std::function<void()> call)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back(std::move(call));
        wake = !m_bWakePending;
        m_bWakePending = true;
    }
    if (wake)
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
}

void PostedCalls::customEvent(QEvent*)
{
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        calls.swap(m_calls);
        m_bWakePending = false;
    }
    for (const std::function<void()>& call : calls)
        call();
}

void DialogImpl::DestroyWindow()
{
    delete widget.data();
}

void DialogImpl::WindowGone()
{
    // The controls' CWnd objects go before their widgets; a widget that signals while it is
    // torn down must not reach them.
    for (auto& [id, wnd] : controls)
        if (QWidget* w = WidgetOf(*wnd))
            w->blockSignals(true);
    controls.clear();
    creationOrder.clear();
    systemMenu = CMenu();
}
