// The desktop's services as the program meets them, on buses of the test's own: a private
// session bus, and a second one in the system bus's place, with stand-ins for the portal, the
// login manager, the notification server and the file manager (desktop_standin) that record
// what they were asked. Runs go through the real main dialog and its output window, the
// stand-in encoder playing ffmpeg. And the toolkit's own texts in the dialog's language.

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>
#include <QUrl>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog/ToolkitLanguage.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "tests/ModalHelper.h"
#include "tests/RunHelpers.h"
#include "ui/Language.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace fs = std::filesystem;

// Failures show the texts, not their bytes.
void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// A bus of the test's own: anyone may own any name, and nothing is started on demand, so no
// service of the machine's answers in a stand-in's place.
constexpr char kBusConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// A helper program of the test's, for as long as this lives, and the first line it prints
// (within the bound); it dies with this process. Started without the toolkit, whose way of
// starting a process the thread sanitizer cannot follow.
class Helper {
public:
    explicit Helper(const std::vector<std::string>& args)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(ends[1], STDOUT_FILENO);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(ends[1]);
        pollfd ready{ends[0], POLLIN, 0};
        char buffer[512];
        for (ssize_t got = 0; poll(&ready, 1, WindowWatch::kBoundMs) == 1 && (got = read(ends[0], buffer, sizeof buffer)) > 0;) {
            m_line.append(buffer, static_cast<std::size_t>(got));
            if (m_line.find('\n') != std::string::npos)
                break;
        }
        close(ends[0]);
        if (const std::size_t end = m_line.find('\n'); end != std::string::npos)
            m_line.resize(end);
        else
            m_line.clear();
    }
    ~Helper()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // Empty when it printed no whole line.
    const std::string& FirstLine() const { return m_line; }

private:
    pid_t m_pid = -1;
    std::string m_line;
};

using Calls = std::vector<QStringList>;

// The bus and the name each stand-in owns.
struct StandInName {
    const char* service;
    bool systemBus;
    const char* name;
};
constexpr StandInName kStandInNames[] = {
    {"portal", false, "org.freedesktop.portal.Desktop"},
    {"logind", true, "org.freedesktop.login1"},
    {"notify", false, "org.freedesktop.Notifications"},
    {"files", false, "org.freedesktop.FileManager1"},
};

bool Registered(const StandInName& name)
{
    const QDBusConnection bus = name.systemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    return bus.interface() && bus.interface()->isServiceRegistered(QString::fromLatin1(name.name)).value();
}

// The stand-ins for `services`, serving from construction until destruction, when their
// names are gone from the buses again.
class StandIns {
public:
    StandIns(const fs::path& log, QStringList services) : m_log(log), m_services(services)
    {
        if (services.isEmpty())
            return;
        std::vector<std::string> args{DESKTOP_STANDIN, log.string()};
        for (const QString& service : services)
            args.push_back(service.toStdString());
        m_process.emplace(args);
        EXPECT_EQ(m_process->FirstLine(), "ready") << "the stand-in services";
    }
    ~StandIns()
    {
        if (m_services.isEmpty())
            return;
        m_process.reset();
        for (const StandInName& name : kStandInNames)
            if (m_services.contains(QLatin1String(name.service)))
                WaitFor([&] { return !Registered(name); }, std::string(name.name) + " gone from the bus");
    }
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    // What they were asked, in order.
    Calls Asked() const
    {
        Calls calls;
        QFile file(QString::fromStdString(m_log.string()));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    calls.push_back(QString::fromUtf8(line).split(QLatin1Char('\t')));
        return calls;
    }
    // The calls to `service` of the kind `member`.
    Calls Asked(const QString& service, const QString& member) const
    {
        Calls matching;
        for (const QStringList& call : Asked())
            if (call.size() >= 2 && call[0] == service && call[1] == member)
                matching.push_back(call);
        return matching;
    }
    bool WaitAsked(const QString& service, const QString& member, std::size_t count = 1) const
    {
        return WaitFor([&] { return Asked(service, member).size() >= count; },
                       (service + QLatin1Char(' ') + member).toStdString());
    }

private:
    fs::path m_log;
    QStringList m_services;
    std::optional<Helper> m_process;
};

// The stand-in encoder's command line playing `steps`.
std::u16string Script(std::initializer_list<std::string> steps)
{
    std::u16string command = u"plugins\\ffmpeg.exe script";
    for (const std::string& step : steps)
        command += u" " + QuoteArgument(DecodeUtf8(step));
    return command;
}

// A path as a file URI, every byte but the unreserved ones and the slashes percent-encoded.
QString FileUri(const fs::path& path)
{
    static const char digits[] = "0123456789ABCDEF";
    QString uri = QStringLiteral("file://");
    for (const unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += QLatin1Char(static_cast<char>(c));
        } else {
            uri += QLatin1Char('%');
            uri += QLatin1Char(digits[c >> 4]);
            uri += QLatin1Char(digits[c & 15]);
        }
    }
    return uri;
}

QString Text(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// Takes the URLs the desktop's default would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl& url) { urls.push_back(url); }
    std::vector<QUrl> urls;
};

namespace {

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder.emplace("tarvex-desktop-", RUNNER_CHILD, "ffmpeg");
        m_dir = m_folder->Path();
        g_language = Language::English;
        m_dlg.emplace();
        m_dlg->Create();
    }
    void TearDown() override
    {
        m_dlg.reset();
        m_folder.reset();
        g_language = Language::English;
    }

    StandIns Serve(QStringList services) { return StandIns(m_dir / ("asked-" + std::to_string(++m_nLogs)), services); }

    // The run of `plans`, with `act` inside its window; what the window returned.
    std::intptr_t Run(std::vector<RunPlan> plans, std::function<void(QWidget*)> act)
    {
        auto watch = WhenModalEndingOnFailure(std::move(act), WidgetOf(*m_dlg), "the output window");
        return m_dlg->RunInWindow(std::move(plans));
    }
    std::intptr_t Run(const std::vector<std::u16string>& commands, std::function<void(QWidget*)> act)
    {
        std::vector<RunPlan> plans;
        plans.push_back(StandInPlan(m_dir / "out.flv", commands));
        return Run(std::move(plans), std::move(act));
    }

    bool OkShows() { return m_dlg->m_pOutDlg->GetDlgItem(IDOK)->IsWindowVisible(); }
    bool WaitOk() { return WaitFor([&] { return OkShows(); }, "the OK button"); }
    QString Outcome() { return Text(m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->GetWindowText()); }
    QPushButton* Button(QWidget* window, int id) { return window->findChild<QPushButton*>(QString::number(id)); }
    void Touch(const std::string& name) { std::ofstream(m_dir / name).put('x'); }

    std::optional<StandInFolder> m_folder;
    fs::path m_dir;
    std::optional<CTarvexDlg> m_dlg;
    int m_nLogs = 0;
};

TEST_F(Desktop, SleepIsHeldOffFromTheStartOfARunUntilItsEnd)
{
    enum class End { ByItself, ByStop };
    const QStringList portalHold{"portal", "Inhibit", "12", "Converting video files"};
    const QStringList portalHoldChinese{"portal", "Inhibit", "12", "正在转换视频文件"};
    const QStringList portalLetGo{"portal", "Close", "/org/freedesktop/portal/desktop/request/1_1/t1"};
    const QStringList logindHold{"logind", "Inhibit", "sleep:idle", "Vantrel Tarvex", "Converting video files", "block"};
    const QStringList logindHoldChinese{"logind", "Inhibit", "sleep:idle", "Vantrel Tarvex", "正在转换视频文件", "block"};
    const QStringList logindLetGo{"logind", "Released"};
    const struct {
        const char* what;
        QStringList services;
        Language language;
        std::vector<std::u16string> commands;
        End end;
        QStringList hold;   // the one call that holds off sleep, or none
        QStringList letGo;  // the one that lets go
    } cases[] = {
        // The login manager is there too: the portal, answering, is the only one asked.
        {"the portal, a run that ends well", {"portal", "logind"}, Language::English,
         {Script({"wait:go", "stampfile:{written}"})}, End::ByItself, portalHold, portalLetGo},
        {"the portal, Stop", {"portal", "logind"}, Language::Chinese, {Script({"wait:never"})}, End::ByStop,
         portalHoldChinese, portalLetGo},
        {"the portal, a failed run of two steps", {"portal"}, Language::English,
         {Script({"wait:go", "exit:3"}), Script({"stampfile:{written}"})}, End::ByItself, portalHold, portalLetGo},
        {"no portal: the login manager, a failed run", {"logind"}, Language::English, {Script({"wait:go", "exit:1"})},
         End::ByItself, logindHold, logindLetGo},
        {"no portal: the login manager, Stop", {"logind"}, Language::Chinese, {Script({"wait:never"})}, End::ByStop,
         logindHoldChinese, logindLetGo},
        // Nothing answers: nothing is said, and the run goes on to its end as always.
        {"neither", {}, Language::English, {Script({"wait:go", "stampfile:{written}"})}, End::ByItself, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir / "go");
        fs::remove(m_dir / "out.flv");
        g_language = c.language;
        const StandIns services = Serve(c.services);
        QString outcome;
        const std::intptr_t result = Run(c.commands, [&](QWidget* window) {
            if (!c.hold.isEmpty()) {
                ASSERT_TRUE(services.WaitAsked(c.hold[0], c.hold[1]));
                EXPECT_EQ(services.Asked(), Calls{c.hold}) << "held once, and not yet let go";
            }
            EXPECT_FALSE(OkShows());
            if (c.end == End::ByStop)
                Button(window, IDC_STOP)->click();
            else
                Touch("go");
            ASSERT_TRUE(WaitOk());
            outcome = Outcome();
            // Nothing is said about sleep, whoever answered.
            EXPECT_EQ(QApplication::activeModalWidget(), window);
            for (QWidget* w : QApplication::topLevelWidgets())
                EXPECT_FALSE(qobject_cast<QMessageBox*>(w) && w->isVisible());
            if (!c.letGo.isEmpty()) {
                EXPECT_TRUE(services.WaitAsked(c.letGo[0], c.letGo[1]));
            }
            QTest::keyClick(window, Qt::Key_Return);
        });
        EXPECT_EQ(result, IDOK);
        if (c.hold.isEmpty()) {
            EXPECT_EQ(outcome, QStringLiteral("Written, but out.flv cannot be read as a video."));
        } else {
            EXPECT_EQ(services.Asked(), (Calls{c.hold, c.letGo}));
        }
    }
}

// A pause gives the machine back: the hold on sleep goes, and Resume takes it again.
TEST_F(Desktop, APauseLetsGoOfTheSleepHoldAndResumeTakesItAgain)
{
    const StandIns services = Serve({"portal"});
    const QStringList hold{"portal", "Inhibit", "12", "Converting video files"};
    const auto letGo = [](int request) {
        return QStringList{"portal", "Close", QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(request)};
    };
    Run({Script({"wait:go", "stampfile:{written}"})}, [&](QWidget* window) {
        ASSERT_TRUE(services.WaitAsked("portal", "Inhibit"));
        QPushButton* pause = Button(window, IDC_PAUSE);
        pause->click();
        ASSERT_TRUE(services.WaitAsked("portal", "Close"));
        pause->click();
        ASSERT_TRUE(services.WaitAsked("portal", "Inhibit", 2));
        Touch("go");
        ASSERT_TRUE(WaitOk());
        ASSERT_TRUE(services.WaitAsked("portal", "Close", 2));
        QTest::keyClick(window, Qt::Key_Return);
    });
    EXPECT_EQ(services.Asked(), (Calls{hold, letGo(1), hold, letGo(2)}));
}

// The launcher entry of the desktop file shows the batch's progress and the files left, and is
// cleared at the end and at Stop.
TEST_F(Desktop, TheLauncherEntryShowsTheProgressAndTheFilesLeftUntilTheEndOrStop)
{
    const std::string duration = "err:Duration: 00:00:10.00, x\n";
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "Stop" : "to the end");
        for (const char* go : {"go0", "go1"})
            fs::remove(m_dir / go);
        const StandIns services = Serve({"launcher"});
        std::vector<RunPlan> plans;
        for (int i = 0; i < 2; ++i) {
            const std::string n = std::to_string(i);
            plans.push_back(StandInPlan(m_dir / ("f" + n + ".flv"),
                                    {Script({duration, "err:time=00:00:05.00\r", "wait:go" + n, "stampfile:{written}"})}));
        }
        Run(std::move(plans), [&](QWidget* window) {
            // Half of the first file, or of both, whichever the processors allow at once.
            ASSERT_TRUE(WaitFor(
                [&] {
                    const Calls updates = services.Asked("launcher", "Update");
                    return !updates.empty() && updates.back()[4] == "true" && updates.back()[5] == "2";
                },
                "the progress of two files"));
            if (stop) {
                Button(window, IDC_STOP)->click();
            } else {
                Touch("go0");
                ASSERT_TRUE(WaitFor(
                    [&] {
                        const Calls updates = services.Asked("launcher", "Update");
                        return updates.back()[5] == "1";
                    },
                    "one file left"));
                Touch("go1");
            }
            ASSERT_TRUE(WaitOk());
            ASSERT_TRUE(WaitFor([&] { return services.Asked("launcher", "Update").back()[4] == "false"; }, "the entry cleared"));
            QTest::keyClick(window, Qt::Key_Return);
        });
        const Calls updates = services.Asked("launcher", "Update");
        ASSERT_GE(updates.size(), 2u);
        double progress = 0;
        int left = 2;
        for (std::size_t i = 0; i + 1 < updates.size(); ++i) {
            const QStringList& update = updates[i];
            SCOPED_TRACE(update.join(QLatin1Char(' ')).toStdString());
            EXPECT_EQ(update[2], QStringLiteral("application://tarvex.desktop"));
            EXPECT_EQ(update[6], QStringLiteral("true")) << "several files are counted";
            // Rising and falling, never back.
            if (update[4] == QLatin1String("true")) {
                EXPECT_GE(update[3].toDouble(), progress);
                progress = update[3].toDouble();
            }
            EXPECT_LE(update[5].toInt(), left);
            left = update[5].toInt();
        }
        EXPECT_GE(progress, 0.25);
        EXPECT_EQ(updates.back().mid(2), (QStringList{"application://tarvex.desktop", "0.000", "false", "0", "false"}));
    }
}

TEST_F(Desktop, TheEndIsToldByANotificationWhenTheWindowIsNotActive)
{
    const struct {
        const char* what;
        Language language;
        bool windowActive;
    } cases[] = {
        {"the window is looked at: nothing", Language::English, true},
        {"another window is active", Language::English, false},
        {"another window is active, in Chinese", Language::Chinese, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir / "go");
        g_language = c.language;
        const StandIns services = Serve({"portal", "notify"});
        QString outcome;
        Run({Script({"wait:go", "stampfile:{written}"})}, [&](QWidget* window) {
            // Modal over the output window, so that window is not blocked from taking over.
            QWidget elsewhere;
            elsewhere.setWindowModality(Qt::ApplicationModal);
            if (!c.windowActive) {
                elsewhere.show();
                elsewhere.activateWindow();
                ASSERT_TRUE(WaitFor([&] { return elsewhere.isActiveWindow(); }, "another window to be active"));
            } else {
                ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }, "the output window to be active"));
            }
            Touch("go");
            ASSERT_TRUE(WaitOk());
            outcome = Outcome();
            // The notification is sent before sleep is let go, on the same connection.
            ASSERT_TRUE(services.WaitAsked("portal", "Close"));
            elsewhere.close();
            QTest::keyClick(window, Qt::Key_Return);
        });
        const Calls told = services.Asked("notify", "Notify");
        if (c.windowActive) {
            EXPECT_TRUE(told.empty());
        } else {
            EXPECT_EQ(told, (Calls{{"notify", "Notify", "Vantrel Tarvex", "tarvex", "Vantrel Tarvex", outcome}}));
            EXPECT_TRUE(outcome.startsWith(c.language == Language::English ? QStringLiteral("Written") : QStringLiteral("已写入")));
        }
    }
}

TEST_F(Desktop, OpenFolderShowsTheFirstNewFileInTheFileManager)
{
    const struct {
        const char* what;
        Language language;
        std::vector<std::string> outputs;   // one file each, in the test's folder
        std::vector<bool> written;          // whether its run writes it
        const char* shown;                  // the file ShowItems is asked for; none: no button
    } cases[] = {
        {"one file", Language::English, {"out.flv"}, {true}, "out.flv"},
        {"blanks and Chinese", Language::Chinese, {"a b 中文.flv"}, {true}, "a b 中文.flv"},
        {"the first written of several", Language::English, {"a.flv", "b.flv", "c.flv"}, {false, true, true}, "b.flv"},
        {"nothing written", Language::English, {"out.flv"}, {false}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_language = c.language;
        const StandIns services = Serve({"files"});
        std::vector<RunPlan> plans;
        for (std::size_t i = 0; i < c.outputs.size(); ++i) {
            // The new file's name quoted whole, blanks and all.
            RunPlan plan = StandInPlan(m_dir / c.outputs[i], {});
            plan.commands = {Script({c.written[i] ? "stampfile:" + EncodeUtf8(plan.newFile) : "exit:1"})};
            plans.push_back(std::move(plan));
        }
        const std::intptr_t result = Run(std::move(plans), [&](QWidget* window) {
            ASSERT_TRUE(WaitOk());
            QPushButton* open = Button(window, IDC_OPEN_FOLDER);
            ASSERT_NE(open, nullptr);
            if (!c.shown) {
                EXPECT_FALSE(open->isVisible());
                QTest::keyClick(window, Qt::Key_Return);
                return;
            }
            ASSERT_TRUE(open->isVisible());
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(open);
            ASSERT_NE(named, nullptr);
            EXPECT_EQ(named->text(QAccessible::Name),
                      c.language == Language::English ? QStringLiteral("Open Folder") : QStringLiteral("打开文件夹"));
            // Tab reaches it from OK, Space presses it, and Enter on it still means OK.
            for (int i = 0; i < 6 && !open->hasFocus(); ++i)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
            ASSERT_TRUE(open->hasFocus());
            QTest::keyClick(open, Qt::Key_Space);
            EXPECT_TRUE(services.WaitAsked("files", "ShowItems"));
            QTest::keyClick(open, Qt::Key_Return);
        });
        EXPECT_EQ(result, IDOK);
        if (c.shown) {
            EXPECT_EQ(services.Asked(), (Calls{{"files", "ShowItems", FileUri(m_dir / c.shown)}}));
        } else {
            EXPECT_TRUE(services.Asked().empty());
        }
        for (const std::string& output : c.outputs)
            fs::remove(m_dir / output);
    }
}

TEST_F(Desktop, WithoutAFileManagerOpenFolderOpensTheFolder)
{
    UrlCatcher desktopDefault;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktopDefault, "open");
    const StandIns none = Serve({});
    Run({Script({"stampfile:{written}"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitOk());
        Button(window, IDC_OPEN_FOLDER)->click();
        EXPECT_TRUE(WaitFor([&] { return !desktopDefault.urls.empty(); }, "the folder opened"));
        QTest::keyClick(window, Qt::Key_Return);
    });
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(desktopDefault.urls, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(m_dir.string()))});
}

// The message box's button and the file dialog's buttons, before and after each switch.
TEST_F(Desktop, TheToolkitsOwnTextsFollowTheLanguage)
{
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    const QString chineseOpen = chinese.translate("QFileDialog", "&Open");
    ASSERT_FALSE(chineseOpen.isEmpty());
    const struct {
        const char* what;
        bool toggle;               // press the language button first
        const char* missingLocale; // or install a translation that is not there
        QString ok, open, cancel;
    } steps[] = {
        {"at the start, in English", false, nullptr, "OK", "&Open", "Cancel"},
        {"switched to Chinese", true, nullptr, "确定", chineseOpen, "取消"},
        {"switched back", true, nullptr, "OK", "&Open", "Cancel"},
        {"Chinese again", true, nullptr, "确定", chineseOpen, "取消"},
        {"a translation that is missing", false, "xx_XX", "OK", "&Open", "Cancel"},
    };
    QWidget* dialog = WidgetOf(*m_dlg);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.toggle)
            dialog->findChild<QPushButton*>(QString::number(IDC_LANGUAGE))->click();
        if (step.missingLocale) {
            EXPECT_FALSE(SetToolkitLanguage(DecodeUtf8(step.missingLocale)));
        }
        QString ok;
        {
            auto box = WhenModal(
                [&](QWidget* w) {
                    if (auto* message = qobject_cast<QMessageBox*>(w); message && !message->buttons().isEmpty())
                        ok = message->buttons().front()->text();
                    CloseWhatIsOpen();
                },
                dialog, "the message box");
            dialog->findChild<QPushButton*>(QString::number(IDOK))->click();  // Convert, without a source
        }
        QString open, cancel;
        {
            auto files = WhenModal(
                [&](QWidget* w) {
                    if (auto* buttons = w->findChild<QDialogButtonBox*>()) {
                        if (QPushButton* accept = buttons->button(QDialogButtonBox::Open))
                            open = accept->text();
                        if (QPushButton* reject = buttons->button(QDialogButtonBox::Cancel))
                            cancel = reject->text();
                    }
                    CloseWhatIsOpen();
                },
                dialog, "the file dialog");
            dialog->findChild<QPushButton*>(QString::number(IDC_BROWSE_SOURCE))->click();
        }
        EXPECT_EQ(ok, step.ok);
        EXPECT_EQ(open, step.open);
        EXPECT_EQ(cancel, step.cancel);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The buses come before the application: the toolkit may connect to the session bus as
    // it starts. Listing the tests needs none.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::string_view(argv[i]) == "--gtest_list_tests";
    ::testing::InitGoogleTest(&argc, argv);
    std::optional<Helper> session, system;
    const fs::path config = fs::temp_directory_path() / ("tarvex-bus-" + std::to_string(getpid()) + ".conf");
    if (!listing) {
        std::ofstream(config) << kBusConfig;
        const std::vector<std::string> daemon{"dbus-daemon", "--nofork", "--config-file=" + config.string(),
                                              "--print-address=1"};
        session.emplace(daemon);
        system.emplace(daemon);
        fs::remove(config);
        if (session->FirstLine().empty() || system->FirstLine().empty()) {
            std::fprintf(stderr, "no private bus: dbus-daemon did not start\n");
            return 1;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", session->FirstLine().c_str(), 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", system->FirstLine().c_str(), 1);
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

#include "DesktopTests.moc"
