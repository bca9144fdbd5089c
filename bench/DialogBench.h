#pragma once
// What the benchmarks that drive the real dialog share: the clock, the program's processor
// time and resident memory, Convert clicked and the output window closed once OK shows, and
// the shell script that runs the same commands, its words quoted, the time the program spends
// flushing new files to the disk, and the clips they convert.

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog/Wnd.h"
#include "platform/files/RunFolder.h"
#include "tests/EncoderTools.h"

// The command lines the program starts, from its debug output, while an object of this lives.
class CommandLines {
public:
    CommandLines() : m_previous(qInstallMessageHandler(Collect))
    {
        std::lock_guard<std::mutex> lock(s_lock);
        s_lines.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("tarvex.debug=true"));
    }
    ~CommandLines()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    CommandLines(const CommandLines&) = delete;
    CommandLines& operator=(const CommandLines&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> lock(s_lock);
        return s_lines;
    }

private:
    // Every command the dialog builds names its encoder as plugins\...
    static void Collect(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && std::string_view(context.category) == "tarvex" &&
            message.startsWith(QStringLiteral("plugins\\"))) {
            std::lock_guard<std::mutex> lock(s_lock);
            s_lines.push_back(message.toStdString());
        }
    }

    static inline std::mutex s_lock;
    static inline std::vector<std::string> s_lines;
    QtMessageHandler m_previous;
};

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// While this lives, the program's flushes of new files and their folders (the real ones) are
// timed; Take() gives the seconds spent since the last call.
class SyncClock {
public:
    SyncClock()
    {
        SetSyncHook([this](int fd) {
            const auto start = std::chrono::steady_clock::now();
            const int result = ::fsync(fd);
            m_nanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
            return result;
        });
    }
    ~SyncClock() { SetSyncHook({}); }
    SyncClock(const SyncClock&) = delete;
    SyncClock& operator=(const SyncClock&) = delete;
    double Take() { return static_cast<double>(m_nanoseconds.exchange(0)) / 1e9; }

private:
    std::atomic<long long> m_nanoseconds{0};
};

inline double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double ResidentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

// Notes when the output window's OK button shows, then closes the window as a user would.
class OkWatcher : public QObject {
public:
    explicit OkWatcher(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    double shownAt = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shownAt == 0) {
            auto* button = qobject_cast<QPushButton*>(object);
            if (button && button->objectName() == QString::number(IDOK) && button->window() != m_mainWindow) {
                shownAt = Now();
                auto* window = qobject_cast<QDialog*>(button->window());
                QTimer::singleShot(0, window, [window] { window->done(QDialog::Accepted); });
            }
        }
        return false;
    }

private:
    QWidget* m_mainWindow;
};

// The main dialog: the shown window with a Convert button.
inline QWidget* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->findChild<QPushButton*>(QString::number(IDOK)))
            return w;
    return nullptr;
}

// Clicks Convert and returns the seconds to OK, -1 when it never showed; `cpu` gets the
// program's own processor time meanwhile, its children apart.
inline double ThroughTheDialog(double& cpu)
{
    QWidget* mainWindow = MainWindow();
    auto* convert = mainWindow ? mainWindow->findChild<QPushButton*>(QString::number(IDOK)) : nullptr;
    if (!convert)
        return -1;
    OkWatcher watcher(mainWindow);
    qApp->installEventFilter(&watcher);
    const double cpuBefore = CpuSeconds();
    const double start = Now();
    convert->click();
    cpu = CpuSeconds() - cpuBefore;
    qApp->removeEventFilter(&watcher);
    return watcher.shownAt > 0 ? watcher.shownAt - start : -1;
}

// A 640x480 clip of `seconds` of test picture and a 440 Hz tone, MPEG-4 video and `audioCodec`
// in the container `path`'s extension names; the exit status, ffmpeg's messages in `log`.
inline int MakeLargeClip(const std::filesystem::path& path, int seconds, const std::string& audioCodec,
                         const std::filesystem::path& log)
{
    const std::string length = std::to_string(seconds);
    return RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=640x480:rate=25:duration=" + length, "-f", "lavfi", "-i",
                       "sine=frequency=440:sample_rate=44100:duration=" + length, "-c:v", "mpeg4", "-q:v", "4",
                       "-c:a", audioCodec, path.string()},
                      log.string());
}

// Seconds the shell script takes, -1 when it fails; what it prints goes to `log`.
inline double FromTheScript(const std::filesystem::path& script, const std::filesystem::path& log)
{
    const double start = Now();
    if (RunProgram({"sh", script.string()}, log.string()) != 0)
        return -1;
    return Now() - start;
}

inline std::string ShellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
