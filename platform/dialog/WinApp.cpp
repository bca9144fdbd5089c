#include "platform/dialog/WinApp.h"

#include <QApplication>
#include <QFileInfo>

#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

CWinApp* g_pApp = nullptr;

std::u16string ExecutableName()
{
    const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return FromQString(QFileInfo(path).completeBaseName());
}

}  // namespace

CWinApp::CWinApp(std::u16string_view appName) : m_strAppName(appName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::SetRegistryKey(std::u16string_view key)
{
    QCoreApplication::setOrganizationName(ToQString(key));
}

std::u16string CWinApp::RegistryKey() const
{
    return FromQString(QCoreApplication::organizationName());
}

const std::u16string& CWinApp::AppName() const
{
    if (m_strAppName.empty())
        m_strAppName = ExecutableName();
    return m_strAppName;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

std::u16string AfxGetAppName()
{
    return g_pApp ? g_pApp->AppName() : ExecutableName();
}

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (!app || !QCoreApplication::instance())
        return 1;
    QCoreApplication::setApplicationName(ToQString(app->AppName()));
    if (!app->InitInstance())
        return app->ExitInstance();
    QCoreApplication::exec();
    return app->ExitInstance();
}
