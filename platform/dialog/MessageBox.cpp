#include "platform/dialog/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/dialog/WinApp.h"

namespace {

int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption,
                   unsigned type)
{
    const QString title = ToQString(caption.empty() ? std::u16string_view(AfxGetAppName()) : caption);
    QMessageBox box((type & 0xF0) == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, ToQString(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
    return IDOK;
}

}  // namespace

int CWnd::MessageBox(std::u16string_view text, std::u16string_view caption, unsigned type)
{
    AssertGuiThread();
    return ShowMessageBox(Impl().widget.data(), text, caption, type);
}

int AfxMessageBox(std::u16string_view text, unsigned type)
{
    CWinApp* app = AfxGetApp();
    QWidget* owner = app && app->m_pMainWnd ? WidgetOf(*app->m_pMainWnd) : nullptr;
    return ShowMessageBox(owner, text, {}, type);
}
