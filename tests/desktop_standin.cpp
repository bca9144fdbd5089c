// Stand-ins for the desktop's services, for the tests of what the program asks of them. Each
// records every call it gets as one line of its log, fields apart by tabs:
//   portal    Inhibit <flags> <reason> | Close <request path>      (session bus)
//   logind    Inhibit <what> <who> <why> <mode> | Released         (system bus)
//   notify    Notify <app> <icon> <summary> <body>                 (session bus)
//   files     ShowItems <uri>...                                   (session bus)
//   launcher  Update <app uri> <progress> <progress-visible> <count> <count-visible>
//             (a signal on the session bus: it listens, as a task bar does; "true"/"false")
// "Released" is written when the last copy of the descriptor the login manager handed out is
// closed, which is how the real one learns it too.
//
// Usage: desktop_standin LOG SERVICE... with SERVICE among portal, logind, notify, files,
// launcher.
// Prints "ready" once every name is owned.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <unistd.h>

#include <cstdio>
#include <functional>

namespace {

FILE* g_log = nullptr;

void Log(const QStringList& fields)
{
    std::fputs(fields.join(QLatin1Char('\t')).toUtf8().constData(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

using Handler = std::function<void(const QDBusMessage&, const QDBusConnection&)>;

class Service : public QDBusVirtualObject {
public:
    explicit Service(Handler handler) : m_handler(std::move(handler)) {}
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        m_handler(message, connection);
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

private:
    Handler m_handler;
};

void Refuse(const QDBusMessage& call, const QDBusConnection& bus)
{
    bus.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
}

bool Serve(QDBusConnection bus, const QString& name, const QString& path, Handler handler)
{
    auto* service = new Service(std::move(handler));
    return bus.registerVirtualObject(path, service, QDBusConnection::SubPath) && bus.registerService(name);
}

bool Portal()
{
    static int requests = 0;
    return Serve(QDBusConnection::sessionBus(), QStringLiteral("org.freedesktop.portal.Desktop"),
                 QStringLiteral("/org/freedesktop/portal/desktop"), [](const QDBusMessage& call, const QDBusConnection& bus) {
                     const QList<QVariant> args = call.arguments();
                     if (call.member() == QLatin1String("Inhibit") && args.size() == 3) {
                         const QVariantMap options = qdbus_cast<QVariantMap>(args[2]);
                         Log({QStringLiteral("portal"), QStringLiteral("Inhibit"), QString::number(args[1].toUInt()),
                              options.value(QStringLiteral("reason")).toString()});
                         const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(++requests);
                         bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
                     } else if (call.member() == QLatin1String("Close")) {
                         Log({QStringLiteral("portal"), QStringLiteral("Close"), call.path()});
                         bus.send(call.createReply());
                     } else {
                         Refuse(call, bus);
                     }
                 });
}

bool Logind()
{
    return Serve(QDBusConnection::systemBus(), QStringLiteral("org.freedesktop.login1"),
                 QStringLiteral("/org/freedesktop/login1"), [](const QDBusMessage& call, const QDBusConnection& bus) {
                     QStringList fields{QStringLiteral("logind"), call.member()};
                     for (const QVariant& arg : call.arguments())
                         fields << arg.toString();
                     int ends[2];
                     if (call.member() != QLatin1String("Inhibit") || pipe(ends) != 0) {
                         Refuse(call, bus);
                         return;
                     }
                     Log(fields);
                     bus.send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
                     close(ends[1]);
                     auto* released = new QSocketNotifier(ends[0], QSocketNotifier::Read);
                     QObject::connect(released, &QSocketNotifier::activated, [released, fd = ends[0]] {
                         char byte;
                         if (read(fd, &byte, 1) <= 0) {
                             released->setEnabled(false);
                             close(fd);
                             Log({QStringLiteral("logind"), QStringLiteral("Released")});
                         }
                     });
                 });
}

bool Notifications()
{
    return Serve(QDBusConnection::sessionBus(), QStringLiteral("org.freedesktop.Notifications"),
                 QStringLiteral("/org/freedesktop/Notifications"), [](const QDBusMessage& call, const QDBusConnection& bus) {
                     const QList<QVariant> args = call.arguments();
                     if (call.member() != QLatin1String("Notify") || args.size() != 8) {
                         Refuse(call, bus);
                         return;
                     }
                     Log({QStringLiteral("notify"), QStringLiteral("Notify"), args[0].toString(), args[2].toString(),
                          args[3].toString(), args[4].toString()});
                     bus.send(call.createReply(QVariant::fromValue(uint(1))));
                 });
}

bool FileManager()
{
    return Serve(QDBusConnection::sessionBus(), QStringLiteral("org.freedesktop.FileManager1"),
                 QStringLiteral("/org/freedesktop/FileManager1"), [](const QDBusMessage& call, const QDBusConnection& bus) {
                     const QList<QVariant> args = call.arguments();
                     if (call.member() != QLatin1String("ShowItems") || args.size() != 2) {
                         Refuse(call, bus);
                         return;
                     }
                     Log(QStringList{QStringLiteral("files"), QStringLiteral("ShowItems")} + args[0].toStringList());
                     bus.send(call.createReply());
                 });
}

}  // namespace

// Listens for the launcher entry's signal from anyone.
class LauncherListener : public QObject {
    Q_OBJECT
public slots:
    void Update(const QDBusMessage& signal)
    {
        const QList<QVariant> args = signal.arguments();
        if (args.size() != 2)
            return;
        const QVariantMap properties = qdbus_cast<QVariantMap>(args[1]);
        const auto flag = [&](const char* name) {
            return properties.value(QLatin1String(name)).toBool() ? QStringLiteral("true") : QStringLiteral("false");
        };
        Log({QStringLiteral("launcher"), QStringLiteral("Update"), args[0].toString(),
             QString::number(properties.value(QStringLiteral("progress")).toDouble(), 'f', 3), flag("progress-visible"),
             QString::number(properties.value(QStringLiteral("count")).toLongLong()), flag("count-visible")});
    }
};

namespace {

bool Launcher()
{
    static LauncherListener listener;
    return QDBusConnection::sessionBus().connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                 QStringLiteral("Update"), &listener, SLOT(Update(QDBusMessage)));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3 || !(g_log = std::fopen(argv[1], "a")))
        return 2;
    for (int i = 2; i < argc; ++i) {
        const QLatin1String service(argv[i]);
        const bool served = service == QLatin1String("portal")   ? Portal()
                            : service == QLatin1String("logind") ? Logind()
                            : service == QLatin1String("notify") ? Notifications()
                            : service == QLatin1String("files")  ? FileManager()
                            : service == QLatin1String("launcher") ? Launcher()
                                                                 : false;
        if (!served) {
            std::fprintf(stderr, "desktop_standin: cannot serve %s\n", argv[i]);
            return 1;
        }
    }
    // Ended by SIGTERM: the bus drops the names with the connection.
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}

#include "desktop_standin.moc"
