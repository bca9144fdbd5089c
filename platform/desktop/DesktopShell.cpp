#include "platform/desktop/DesktopShell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

namespace {

constexpr int kAnswerTimeoutMs = 10000;

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void NotifyDesktop(std::u16string_view appName, std::u16string_view iconName, std::u16string_view summary,
                   std::u16string_view body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the desktop group the notification with the program and find its
    // icon where the icon name alone is not enough. A timeout of -1 leaves it to the server.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), ToQString(iconName)}};
    call << ToQString(appName) << uint(0) << ToQString(iconName) << ToQString(summary) << ToQString(body)
         << QStringList() << hints << int(-1);
    bus.send(call);
}

void ShowInFileManager(std::u16string_view path)
{
    const QString file = ToQString(path);
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded())} << QString();
    // The answer comes through the application's event loop, whatever window asked.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, folder] {
        watcher->deleteLater();
        if (watcher->isError())
            QDesktopServices::openUrl(folder);
    });
}
