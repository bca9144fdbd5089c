#include "platform/desktop/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace {

constexpr auto kPortalService = "org.freedesktop.portal.Desktop";
constexpr auto kPortalPath = "/org/freedesktop/portal/desktop";
constexpr auto kPortalInhibit = "org.freedesktop.portal.Inhibit";
constexpr auto kPortalRequest = "org.freedesktop.portal.Request";
// The portal's flags for suspend (4) and idle (8).
constexpr uint kSuspendAndIdle = 4u | 8u;

constexpr auto kLogindService = "org.freedesktop.login1";
constexpr auto kLogindPath = "/org/freedesktop/login1";
constexpr auto kLogindManager = "org.freedesktop.login1.Manager";

// An answer that has not come by then will not come; a desktop activating the service on
// demand still makes it well within.
constexpr int kAnswerTimeoutMs = 10000;

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

struct SleepInhibitor::Private {
    // Parent of the pending answers: they go with it, and none reaches a gone inhibitor.
    QObject answers;
    // Counts the Holds, so that an answer to an earlier one, after its Release, is let go.
    unsigned hold = 0;
    bool wanted = false;
    QString who;
    QString why;
    QString portalRequest;             // the portal's handle of what it holds for us
    QDBusUnixFileDescriptor logindFd;  // held while the login manager holds off sleep

    void AskPortal();
    void AskLogind();
    void ClosePortalRequest(const QString& request);
    // Calls `answered` with the finished call, if it still belongs to the current Hold.
    template <typename Answered>
    void OnAnswer(const QDBusPendingCall& call, Answered answered);
};

template <typename Answered>
void SleepInhibitor::Private::OnAnswer(const QDBusPendingCall& call, Answered answered)
{
    auto* watcher = new QDBusPendingCallWatcher(call, &answers);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &answers,
                     [this, watcher, forHold = hold, answered](QDBusPendingCallWatcher*) {
                         watcher->deleteLater();
                         answered(*watcher, wanted && forHold == hold);
                     });
}

void SleepInhibitor::Private::AskPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        AskLogind();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInhibit, QStringLiteral("Inhibit"));
    // No window handle: the program's windows are not the portal's to name.
    call << QString() << kSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), why}};
    OnAnswer(bus.asyncCall(call, kAnswerTimeoutMs), [this](const QDBusPendingCall& answer, bool current) {
        const QDBusPendingReply<QDBusObjectPath> reply(answer);
        if (reply.isError()) {
            if (current)
                AskLogind();
        } else if (current) {
            portalRequest = reply.value().path();
        } else {
            ClosePortalRequest(reply.value().path());
        }
    });
}

void SleepInhibitor::Private::AskLogind()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << who << why << QStringLiteral("block");
    OnAnswer(bus.asyncCall(call, kAnswerTimeoutMs), [this](const QDBusPendingCall& answer, bool current) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply(answer);
        // Not taken, the descriptor closes with the answer, and the login manager lets go.
        if (!reply.isError() && current)
            logindFd = reply.value();
    });
}

void SleepInhibitor::Private::ClosePortalRequest(const QString& request)
{
    if (request.isEmpty())
        return;
    // Nobody waits for the answer: the program may be on its way out.
    QDBusConnection::sessionBus().send(
        QDBusMessage::createMethodCall(kPortalService, request, kPortalRequest, QStringLiteral("Close")));
}

SleepInhibitor::SleepInhibitor() : d(std::make_unique<Private>()) {}

SleepInhibitor::~SleepInhibitor()
{
    Release();
}

void SleepInhibitor::Hold(std::u16string_view who, std::u16string_view why)
{
    if (d->wanted)
        return;
    d->wanted = true;
    ++d->hold;
    d->who = ToQString(who);
    d->why = ToQString(why);
    d->AskPortal();
}

void SleepInhibitor::Release()
{
    if (!d->wanted)
        return;
    d->wanted = false;
    d->ClosePortalRequest(d->portalRequest);
    d->portalRequest.clear();
    d->logindFd = QDBusUnixFileDescriptor();
}
