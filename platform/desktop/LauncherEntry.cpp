#include "platform/desktop/LauncherEntry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

#include <algorithm>

namespace {

// Listeners match the interface and the member, and the entry by the URI in the signal; the
// path only has to be a valid one.
constexpr auto kPath = "/com/canonical/unity/launcherentry/tarvex";
constexpr auto kInterface = "com.canonical.Unity.LauncherEntry";

}  // namespace

LauncherEntry::LauncherEntry(std::u16string_view desktopId) : m_uri(u"application://" + std::u16string(desktopId)) {}

LauncherEntry::~LauncherEntry()
{
    Clear();
}

void LauncherEntry::Show(std::optional<double> fraction, std::optional<std::int64_t> count)
{
    if (fraction)
        fraction = std::clamp(*fraction, 0.0, 1.0);
    const Shown wanted{fraction, count};
    if (m_shown == wanted)
        return;
    const auto now = std::chrono::steady_clock::now();
    // A task bar redraws for every signal; an encoder's progress changes far more often than
    // anyone can see on an icon.
    if (m_shown && now - m_lastSent < kInterval)
        return;
    m_lastSent = now;
    m_shown = wanted;
    Send(wanted);
}

void LauncherEntry::Clear()
{
    if (!m_shown)
        return;
    m_shown.reset();
    Send({});
}

void LauncherEntry::Send(const Shown& shown)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(QLatin1String(kPath), QLatin1String(kInterface), QStringLiteral("Update"));
    // Every property every time: a listener that came late learns the whole state at once.
    const QVariantMap properties{
        {QStringLiteral("progress"), shown.fraction.value_or(0.0)},
        {QStringLiteral("progress-visible"), shown.fraction.has_value()},
        {QStringLiteral("count"), qint64(shown.count.value_or(0))},
        {QStringLiteral("count-visible"), shown.count.has_value()},
    };
    signal << QString::fromUtf16(m_uri.data(), static_cast<qsizetype>(m_uri.size())) << properties;
    bus.send(signal);
}
