// A run shown in the real main dialog's output window, with a stand-in encoder placed where
// the real one would be looked for (./plugins/ffmpeg), so the program lookup is the real one
// too. The stand-in plays a script; a step "wait:FILE" lets the test decide when the next
// chunk comes.

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "app/SignalEnding.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/text/TextCodec.h"
#include "tests/DropHelper.h"
#include "tests/ModalHelper.h"
#include "tests/RunHelpers.h"
#include "ui/Language.h"
#include "ui/OutcomeText.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace fs = std::filesystem;

namespace {

// The stand-in encoder's command line playing `steps`.
std::u16string Script(std::initializer_list<std::string> steps)
{
    std::u16string command = u"plugins\\ffmpeg.exe script";
    for (const std::string& step : steps)
        command += u" " + QuoteArgument(DecodeUtf8(step));
    return command;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

class OutputWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder.emplace("tarvex-window-", RUNNER_CHILD, "ffmpeg");
        m_dir = m_folder->Path();
        m_dlg.emplace();
        m_dlg->Create();
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_folder.reset();
    }

    // A plan for out.flv in the test's folder.
    RunPlan Plan(const std::vector<std::u16string>& commands) { return StandInPlan(m_dir / "out.flv", commands); }

    // The run of `commands`, with `act` inside its window.
    std::intptr_t Run(const std::vector<std::u16string>& commands, std::function<void(QWidget*)> act)
    {
        auto watch = WhenModalEndingOnFailure(std::move(act), WidgetOf(*m_dlg), "the output window");
        return m_dlg->RunInWindow(OnePlan(Plan(commands)));
    }

    std::u16string Text() { return m_dlg->m_pOutDlg->GetEdit(IDC_OUTPUT_TEXT)->GetWindowText(); }
    bool OkShows() { return m_dlg->m_pOutDlg->GetDlgItem(IDOK)->IsWindowVisible(); }
    // The bar's position, or -1 while it is busy.
    int Bar()
    {
        CProgressCtrl* bar = m_dlg->m_pOutDlg->GetProgressCtrl(IDC_PROGRESS);
        return bar->IsMarquee() ? -1 : bar->GetPos();
    }
    void Touch(const std::string& name) { std::ofstream(m_dir / name).put('x'); }

    bool WaitText(const std::u16string& text)
    {
        return WaitFor([&] { return Text() == text; }, "the output window to show " + EncodeUtf8(text));
    }

    // The window's text as it was closed.
    std::u16string m_finalText;
    std::u16string Outcome() { return m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->GetWindowText(); }
    std::u16string Status() { return m_dlg->m_pOutDlg->GetDlgItem(IDC_STATUS)->GetWindowText(); }

    // The end of a run takes its folder, and all in it, with it.
    bool RunFolderLeft()
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().starts_with(".tarvex-run-"))
                return true;
        return false;
    }

    // Closes the window with Enter once OK shows, as a user would.
    void CloseWhenDone(QWidget* window)
    {
        ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
        m_finalText = Text();
        QTest::keyClick(window, Qt::Key_Return);
    }

    std::optional<StandInFolder> m_folder;
    fs::path m_dir;
    std::optional<CTarvexDlg> m_dlg;
};

TEST_F(OutputWindow, TheWindowShowsThePreviousChunkThenTheNewestOne)
{
    const std::intptr_t result = Run(
        {Script({"out:first", "wait:go1", "err:second", "wait:go2", "out:third", "wait:go3"})}, [&](QWidget* window) {
            EXPECT_FALSE(OkShows());
            ASSERT_TRUE(WaitText(u"first"));
            Touch("go1");
            ASSERT_TRUE(WaitText(u"firstsecond"));
            Touch("go2");
            // Still running: the end of a file that failed shows more.
            ASSERT_TRUE(WaitText(u"secondthird"));
            Touch("go3");
            CloseWhenDone(window);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(RunFolderLeft());
}

TEST_F(OutputWindow, APlanWithoutCommandsShowsNoWindowAndLeavesNoFolder)
{
    auto noWindow = FailIfModal("an output window for a plan without commands");
    EXPECT_EQ(m_dlg->RunInWindow(OnePlan(Plan({}))), 0);
    EXPECT_FALSE(RunFolderLeft());
}

TEST_F(OutputWindow, ACommandThatCannotStartEndsTheRunWithItsMessage)
{
    const std::u16string missing = u"plugins\\missing.exe -i x";
    // First command.
    Run({missing, Script({"out:second"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"Unable to start plugins\\missing.exe -i x\n"));
        CloseWhenDone(window);
    });
    EXPECT_EQ(m_finalText.find(u"second"), std::u16string::npos);
    // A later one: the text before it stays, the one after it never runs.
    Run({Script({"out:before "}), missing, Script({"out:third"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"before Unable to start plugins\\missing.exe -i x\n"));
        CloseWhenDone(window);
    });
    EXPECT_EQ(m_finalText.find(u"third"), std::u16string::npos);
}

// While a file runs its text is the last two chunks; once it has failed, the last few KiB of
// its output, both streams, so a cause printed before an encoder's closing lines stays in view.
TEST_F(OutputWindow, AFailedFilesTextKeepsTheEndOfItsOutput)
{
    const std::string cause = "err:Invalid frame rate: 25 extra\n";
    const std::u16string lastLine = std::u16string(99, u'f') + u"\n";
    const struct {
        const char* what;
        std::vector<std::u16string> commands;
        std::u16string start;  // of the text at the end; empty: no more than two chunks
    } cases[] = {
        {"failed", {Script({cause, "smallwrites:3000:100:2", "exit:1"})}, u"Invalid frame rate"},
        {"failed at its second step", {Script({"out:first step\n"}), Script({cause, "smallwrites:3000:100:2", "exit:1"})},
         u"first step\nInvalid frame rate"},
        // Cut from the front, at a line's start.
        {"failed after much more", {Script({cause, "smallwrites:20000:100:2", "exit:1"})}, lastLine},
        {"written", {Script({cause, "smallwrites:3000:100:2", "stampfile:{written}"})}, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Run(c.commands, [&](QWidget* window) { CloseWhenDone(window); });
        const std::u16string text = m_finalText;
        EXPECT_TRUE(text.ends_with(lastLine));
        if (c.start.empty()) {
            EXPECT_LE(text.size(), 2u * 256);
        } else {
            EXPECT_TRUE(text.starts_with(c.start)) << EncodeUtf8(text.substr(0, 40));
            EXPECT_LE(text.size(), 2u * FileJob::kTailChars);
        }
    }

    // Of several files, the window ends on the one that failed, though another ran longer.
    std::vector<RunPlan> plans;
    plans.push_back(StandInPlan(m_dir / "a.flv", {Script({cause, "exit:1"})}));
    plans.push_back(StandInPlan(m_dir / "b.flv", {Script({"err:all well\n", "stampfile:{written}"})}));
    auto watch = WhenModalEndingOnFailure([&](QWidget* window) { CloseWhenDone(window); }, WidgetOf(*m_dlg),
                                          "the output window");
    m_dlg->RunInWindow(std::move(plans));
    EXPECT_EQ(m_finalText, u"Invalid frame rate: 25 extra\n");
}

TEST_F(OutputWindow, EnterEscAndCloseCountOnlyOnceTheRunHasEnded)
{
    const struct {
        const char* what;
        std::function<void(QWidget*)> press;
        std::intptr_t result;
    } keys[] = {
        {"Enter", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, IDOK},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, IDCANCEL},
        {"close", [](QWidget* w) { w->close(); }, IDCANCEL},
    };
    int round = 0;
    for (const auto& key : keys) {
        const std::string go = "go" + std::to_string(++round);
        const std::intptr_t result = Run({Script({"out:working", "wait:" + go, "out:done"})}, [&](QWidget* window) {
            ASSERT_TRUE(WaitText(u"working"));
            key.press(window);
            QTest::qWait(20);
            EXPECT_TRUE(window->isVisible()) << key.what << " closed a running window";
            Touch(go);
            ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
            key.press(window);
        });
        EXPECT_EQ(result, key.result) << key.what;
    }
}

TEST_F(OutputWindow, EveryRunOpensAFreshWindow)
{
    Run({Script({"out:old text"})}, [&](QWidget* window) { CloseWhenDone(window); });
    Run({Script({"wait:go", "out:new"})}, [&](QWidget* window) {
        EXPECT_EQ(Text(), u"");
        EXPECT_FALSE(OkShows());
        Touch("go");
        ASSERT_TRUE(WaitText(u"new"));
        CloseWhenDone(window);
    });
}

TEST_F(OutputWindow, CharactersCutBetweenChunksShowWholeButNeverAcrossChildren)
{
    // 255 bytes and the first byte of 中 fill the reader's 256-byte chunk; the rest comes next.
    const std::string a255(255, 'a');
    Run({Script({"outhex:" + Hex(a255 + "中")})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(DecodeUtf8(a255) + u"中"));
        CloseWhenDone(window);
    });
    // One child ends in the middle of 中, the next begins with its last byte: no 中 appears.
    Run({Script({"outhex:" + Hex("x\xE4\xB8")}), Script({"outhex:" + Hex("\xADy")})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"x\uFFFD\uFFFDy"));
        CloseWhenDone(window);
    });
}

TEST_F(OutputWindow, AFloodIsDrawnOncePerRefreshIntervalAndItsEndAtOnce)
{
    int drawn = 0;
    qint64 floodMs = 0;
    Run({Script({"smallwrites:3000000:100:2", "err:the end"})}, [&](QWidget* window) {
        QElapsedTimer clock;
        clock.start();
        auto* edit = window->findChild<QPlainTextEdit*>(QString::number(IDC_OUTPUT_TEXT));
        ASSERT_NE(edit, nullptr);
        QObject::connect(edit, &QPlainTextEdit::textChanged, [&] { ++drawn; });
        ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
        floodMs = clock.elapsed();
        EXPECT_TRUE(Text().ends_with(u"the end"));
        QTest::keyClick(window, Qt::Key_Return);
    });
    // Thousands of chunks; one drawing each 40 ms, a first one at once and the end's.
    EXPECT_LE(drawn, floodMs / 40 + 3) << "in " << floodMs << " ms";
}

TEST_F(OutputWindow, TheEndOfARunSaysWhatBecameOfItAndTheBarAgrees)
{
    const std::u16string missing = u"plugins\\nosuch.exe -i x";
    const struct {
        const char* what;
        Language language;
        std::vector<std::u16string> commands;
        std::u16string line;  // the outcome line; empty: the output was written
        int barAtEnd;  // the first of two commands ended: half, whatever became of it
        const char16_t* alsoRan;  // what the run's last command prints, run after a failure
    } cases[] = {
        {"written", Language::English,
         {Script({"err:Duration: 00:00:10.00, start: 0\n", "err:frame=1 time=00:00:05.00 x\r", "wait:go",
                  "stampfile:{written}"})},
         u"", 100, nullptr},
        {"written, in Chinese", Language::Chinese, {Script({"stampfile:{written}"})}, u"", 100, nullptr},
        {"a status, and every command still runs", Language::English, {Script({"exit:3"}), Script({"stampfile:{written}", "out:ran"})},
         u"Failed: step 1 of 2, ffmpeg, exited with status 3.", 50, u"ran"},
        {"a status, in Chinese", Language::Chinese, {Script({"exit:3"}), Script({"stampfile:{written}"})},
         u"失败：第 1 步（共 2 步）ffmpeg 退出，状态为 3。", 50, nullptr},
        {"the first failure tells", Language::English, {Script({"exit:1"}), Script({"exit:2"})},
         u"Failed: step 1 of 2, ffmpeg, exited with status 1.", 50, nullptr},
        {"a signal", Language::English, {Script({"err:Duration: 00:00:10.00, x\n", "err:time=00:00:02.50\r", "raise:9"})},
         u"Failed: step 1 of 1, ffmpeg, was killed by signal 9.", 25, nullptr},
        {"no start", Language::English, {Script({"out:first"}), missing}, u"Failed: step 2 of 2, nosuch, could not start.", 50, nullptr},
        {"no start, in Chinese", Language::Chinese, {missing}, u"失败：第 1 步（共 1 步）nosuch 无法启动。", 0, nullptr},
        {"no output", Language::English, {Script({"out:all well"})}, u"Failed: out.flv is missing or empty.", 0, nullptr},
        {"an empty output", Language::English, {Script({"touch:{written}"})}, u"Failed: out.flv is missing or empty.", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir / "out.flv");
        fs::remove(m_dir / "go");
        g_language = c.language;
        std::u16string line;
        bool lineShown = false;
        int bar = -2;
        std::u16string text;
        Run(c.commands, [&](QWidget* window) {
            if (c.barAtEnd == 100 && c.language == Language::English) {
                // Half the length told: half the bar, the step and its share under it, and
                // still no outcome.
                ASSERT_TRUE(WaitFor([&] { return Bar() == 50; }, "the bar at 50"));
                EXPECT_TRUE(WaitFor([&] { return Status().starts_with(u"Step 1 of 1 · 50 %"); }, "the status line"));
                EXPECT_FALSE(m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->IsWindowVisible());
                Touch("go");
            }
            ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
            CWnd* outcome = m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME);
            lineShown = outcome->IsWindowVisible();
            line = outcome->GetWindowText();
            bar = Bar();
            text = Text();
            // What a screen reader calls the bar, in the run's language.
            QAccessibleInterface* named =
                QAccessible::queryAccessibleInterface(WidgetOf(*m_dlg->m_pOutDlg->GetProgressCtrl(IDC_PROGRESS)));
            ASSERT_NE(named, nullptr);
            EXPECT_EQ(named->text(QAccessible::Name),
                      c.language == Language::Chinese ? QStringLiteral("进度") : QStringLiteral("Progress"));
            QTest::keyClick(window, Qt::Key_Return);
        });
        if (c.line.empty()) {
            // The stand-in's file is put in place, and read back it is no media file at all.
            EXPECT_TRUE(fs::exists(m_dir / "out.flv"));
            EXPECT_EQ(line, c.language == Language::Chinese ? u"已写入，但 out.flv 无法作为视频读取。"
                                                            : u"Written, but out.flv cannot be read as a video.");
        } else {
            EXPECT_EQ(line, c.line);
        }
        EXPECT_TRUE(lineShown);
        EXPECT_EQ(bar, c.barAtEnd);
        if (c.alsoRan) {
            EXPECT_NE(text.find(c.alsoRan), std::u16string::npos);
        }
    }
    g_language = Language::English;
}

TEST_F(OutputWindow, AFileDroppedDuringARunNamesNothing)
{
    m_dlg->ShowWindow(SW_SHOW);
    m_dlg->m_strSource = u"/in/a.avi";
    m_dlg->UpdateData(false);
    const auto files = Urls({QStringLiteral("file:///media/other.mp4")});
    Run({Script({"out:working", "wait:go"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"working"));
        EXPECT_FALSE(DragAndDrop(*m_dlg, CentreOf(*m_dlg, IDC_SOURCE), *files).dropped);
        Touch("go");
        CloseWhenDone(window);
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(m_dlg->GetDlgItem(IDC_SOURCE)->GetWindowText(), u"/in/a.avi");
    EXPECT_EQ(m_dlg->GetDlgItem(IDC_OUTPUT)->GetWindowText(), u"");
}

TEST_F(OutputWindow, StopIsReachedByKeyboardAndKeepsTheEarlierOutput)
{
    for (const Language language : {Language::English, Language::Chinese}) {
        SCOPED_TRACE(language == Language::English ? "English" : "Chinese");
        g_language = language;
        std::ofstream(m_dir / "out.flv") << "earlier";
        std::u16string line;
        // The first encoder writes a NUL among its words, then ignores SIGINT: Stop needs
        // SIGTERM for it, and the second encoder never starts.
        const std::intptr_t result = Run(
            {Script({"outhex:" + Hex(std::string("ready\0go", 8)), "ignore:2", "stampfile:{written}", "wait:never"}),
             Script({"out:second"})},
            [&](QWidget* window) {
                ASSERT_TRUE(WaitText(std::u16string(u"ready\0go", 8)));
                auto* stop = window->findChild<QPushButton*>(QString::number(IDC_STOP));
                ASSERT_NE(stop, nullptr);
                EXPECT_TRUE(stop->isVisible());
                EXPECT_FALSE(OkShows());
                QAccessibleInterface* named = QAccessible::queryAccessibleInterface(stop);
                ASSERT_NE(named, nullptr);
                EXPECT_EQ(named->text(QAccessible::Name),
                          language == Language::English ? QStringLiteral("Stop") : QStringLiteral("停止"));
                // Tab reaches Stop; Enter, Esc and the close on it or anywhere leave the run be.
                for (int i = 0; i < 4 && !stop->hasFocus(); ++i)
                    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
                ASSERT_TRUE(stop->hasFocus());
                QTest::keyClick(stop, Qt::Key_Return);
                QTest::keyClick(stop, Qt::Key_Escape);
                window->close();
                QTest::qWait(20);
                EXPECT_TRUE(window->isVisible());
                EXPECT_TRUE(stop->isVisible() && stop->isEnabled()) << "the run was stopped";
                QTest::keyClick(stop, Qt::Key_Space);
                ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button after Stop"));
                EXPECT_FALSE(stop->isVisible());
                line = Outcome();
                m_finalText = Text();
                QTest::keyClick(window, Qt::Key_Return);
            });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(line, language == Language::English ? u"Stopped: out.flv is as it was." : u"已停止：out.flv 保持原样。");
        std::ifstream kept(m_dir / "out.flv");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "earlier");
        EXPECT_EQ(m_finalText.find(u"second"), std::u16string::npos);
        EXPECT_FALSE(RunFolderLeft());
    }
    g_language = Language::English;
}

// A file the confined stand-in encoder wrote in its run's folder under `dir`; empty while none has.
fs::path RunFolderFile(const fs::path& dir, const std::string& name)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().starts_with(".tarvex-run-") && fs::exists(entry.path() / name))
            return entry.path() / name;
    return {};
}

// Pause beside Stop, after it in the tab order, reached as Stop is: it holds the run, reads
// Resume (its name for screen readers too) and the line under the bar says so, in either
// language; Resume goes on where the run was, and at the end the button goes with Stop.
TEST_F(OutputWindow, PauseHoldsTheRunAndResumeGoesOnInEitherLanguage)
{
    for (const Language language : {Language::English, Language::Chinese}) {
        SCOPED_TRACE(language == Language::English ? "English" : "Chinese");
        const bool english = language == Language::English;
        g_language = language;
        fs::remove(m_dir / "go");
        std::u16string pausedStatus;
        const std::intptr_t result = Run(
            {Script({"err:Duration: 00:00:10.00, x\n", "err:time=00:00:05.00\r", "pidfile:{folder}/encoder.pid", "wait:go",
                     "stampfile:{written}"})},
            [&](QWidget* window) {
                ASSERT_TRUE(WaitFor([&] { return Bar() == 50 && PidTold(RunFolderFile(m_dir, "encoder.pid")) > 0; }, "half way"));
                auto* stop = window->findChild<QPushButton*>(QString::number(IDC_STOP));
                auto* pause = window->findChild<QPushButton*>(QString::number(IDC_PAUSE));
                ASSERT_NE(pause, nullptr);
                const auto name = [&] { return QAccessible::queryAccessibleInterface(pause)->text(QAccessible::Name); };
                EXPECT_EQ(name(), english ? QStringLiteral("Pause") : QStringLiteral("暂停"));
                // Tab goes from Stop to Pause; Enter on it does nothing, Space presses it.
                stop->setFocus();
                QTest::keyClick(stop, Qt::Key_Tab);
                ASSERT_TRUE(pause->hasFocus());
                const int encoder = PidTold(RunFolderFile(m_dir, "encoder.pid"));
                ASSERT_GT(encoder, 0);
                QTest::keyClick(pause, Qt::Key_Return);
                QTest::qWait(20);
                EXPECT_NE(StateOf(encoder), 'T');
                QTest::keyClick(pause, Qt::Key_Space);
                EXPECT_TRUE(WaitFor([&] { return StateOf(encoder) == 'T'; }, "the encoder to be held"));
                ASSERT_TRUE(WaitFor([&] { return name() == (english ? u"Resume" : u"继续"); }, "the button to read Resume"));
                EXPECT_EQ(pause->text(), name());
                ASSERT_TRUE(WaitFor([&] { return Status().starts_with(english ? u"Paused · " : u"已暂停 · "); },
                                    "the line to say Paused"));
                pausedStatus = Status();
                Touch("go");
                QTest::keyClick(pause, Qt::Key_Space);
                EXPECT_TRUE(WaitFor([&] { return StateOf(encoder) != 'T'; }, "the encoder to go on"));
                ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the end after Resume"));
                EXPECT_FALSE(pause->isVisible());
                EXPECT_FALSE(stop->isVisible());
                QTest::keyClick(window, Qt::Key_Return);
            });
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(pausedStatus.find(u"50 %") != std::u16string::npos) << EncodeUtf8(pausedStatus);
        EXPECT_TRUE(fs::exists(m_dir / "out.flv"));
    }
    g_language = Language::English;
}

// The program told to end by a signal during a run: in a copy of this program, which runs
// the test below and dies of the signal once its run has stopped as by Stop.
TEST_F(OutputWindow, ATerminationSignalStopsTheRunThenEndsTheProgram)
{
    std::ofstream(m_dir / "out.flv") << "earlier";
    const pid_t copy = ::fork();
    ASSERT_GE(copy, 0);
    if (copy == 0) {
        ::setenv("TARVEX_SIGNAL_TEST_DIR", m_dir.c_str(), 1);
        ::execl("/proc/self/exe", "output_window_tests", "--gtest_also_run_disabled_tests",
                "--gtest_filter=OutputWindow.DISABLED_RunUntilASignalEndsTheProgram", nullptr);
        ::_exit(127);
    }
    // Within 10 s; `ready` is asked once more only while it says no.
    const auto waitedFor = [](const std::function<bool()>& ready) {
        for (int i = 0; i < 2000; ++i) {
            if (ready())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    };
    // The encoder writes nowhere but in its run's folder.
    std::string encoder;
    EXPECT_TRUE(waitedFor([&] {
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().starts_with(".tarvex-run-"))
                std::ifstream(entry.path() / "encoder.pid") >> encoder;
        return !encoder.empty();
    })) << "the encoder never started";
    ::kill(copy, SIGTERM);
    int status = 0;
    const bool ended = waitedFor([&] { return ::waitpid(copy, &status, WNOHANG) == copy; });
    if (!ended) {
        ::kill(copy, SIGKILL);
        ::waitpid(copy, &status, 0);
    }
    ASSERT_TRUE(ended) << "the program did not end";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    ASSERT_FALSE(encoder.empty());
    EXPECT_EQ(::kill(std::stoi(encoder), 0), -1) << "the encoder still runs";
    std::ifstream kept(m_dir / "out.flv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "earlier");
    EXPECT_FALSE(RunFolderLeft());
}

// A copy of this program that converts in this test's folder until it is killed (see below);
// its encoder writes its pid into `pidfile` in its run's folder there.
pid_t StartCopy(const fs::path& dir, const std::string& pidfile)
{
    const pid_t copy = ::fork();
    if (copy == 0) {
        // A session of its own, as a program started from the desktop is in another session than
        // the process that adopts what it leaves: so its encoders' group, orphaned at its death,
        // is continued by the kernel, wherever this test runs (a PID namespace's first process
        // in the test's own session would otherwise adopt it and keep the group from orphaning).
        ::setsid();
        ::setenv("TARVEX_SIGNAL_TEST_DIR", dir.c_str(), 1);
        ::setenv("TARVEX_SIGNAL_TEST_PIDFILE", pidfile.c_str(), 1);
        ::execl("/proc/self/exe", "output_window_tests", "--gtest_also_run_disabled_tests",
                "--gtest_filter=OutputWindow.DISABLED_RunUntilASignalEndsTheProgram", nullptr);
        ::_exit(127);
    }
    return copy;
}

// A program killed during a run (kill -9, the out-of-memory killer) leaves its run folder and
// the partial file in it; the next run beside it removes them, but not the folder of another
// copy of the program still converting there.
TEST_F(OutputWindow, AKilledProgramsRunFolderGoesAtTheNextRunAndALiveOnesStays)
{
    // The killed copy's encoder comes to this process, which reaps it.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    std::ofstream(m_dir / "out.flv") << "earlier";
    const auto runFolders = [&] {
        std::set<fs::path> folders;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().starts_with(".tarvex-run-"))
                folders.insert(entry.path());
        return folders;
    };
    // The folder of the copy started last, once its encoder has begun the new file.
    const auto startedCopy = [&](const std::string& pidfile, pid_t& copy, pid_t& encoder) {
        const std::set<fs::path> before = runFolders();
        copy = StartCopy(m_dir, pidfile);
        fs::path folder;
        std::string pid;
        EXPECT_TRUE(WaitFor(
            [&] {
                for (const fs::path& made : runFolders())
                    if (!before.contains(made) && fs::exists(made / "out.flv"))
                        folder = made;
                if (!folder.empty())
                    std::ifstream(folder / pidfile) >> pid;
                return !folder.empty() && !pid.empty();
            },
            "a copy's encoder to begin its file"));
        encoder = pid.empty() ? 0 : std::stoi(pid);
        return folder;
    };
    pid_t live = 0;
    pid_t liveEncoder = 0;
    const fs::path liveFolder = startedCopy("live.pid", live, liveEncoder);
    pid_t killed = 0;
    pid_t killedEncoder = 0;
    const fs::path killedFolder = startedCopy("killed.pid", killed, killedEncoder);
    ASSERT_FALSE(liveFolder.empty());
    ASSERT_FALSE(killedFolder.empty());
    ASSERT_GT(killedEncoder, 0);
    ASSERT_EQ(::kill(killed, SIGKILL), 0);
    int status = 0;
    EXPECT_EQ(::waitpid(killed, &status, 0), killed);
    EXPECT_TRUE(WaitFor([&] { return ::waitpid(killedEncoder, &status, WNOHANG) == killedEncoder; },
                        "the killed copy's encoder to end with it"));
    EXPECT_EQ(runFolders(), (std::set<fs::path>{liveFolder, killedFolder})) << "nothing removes a dead copy's folder by itself";

    const std::intptr_t result = Run({Script({"stampfile:{written}"})}, [&](QWidget* window) { CloseWhenDone(window); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(runFolders(), std::set<fs::path>{liveFolder});
    EXPECT_TRUE(fs::exists(liveFolder / "out.flv")) << "the live copy's new file";
    std::ifstream written(m_dir / "out.flv");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(written), {}), "earlier");

    ::kill(live, SIGKILL);
    ::waitpid(live, &status, 0);
    WaitFor([&] { return ::waitpid(liveEncoder, &status, WNOHANG) == liveEncoder; }, "the live copy's encoder to end");
}

// A signal to the program, or its death, while its run is paused: the encoder and what it
// started end as they would running; nothing stays stopped behind the program.
TEST_F(OutputWindow, ASignalOrTheProgramsDeathWhilePausedLeavesNothingStopped)
{
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        // The folder a killed copy leaves, with its pid files.
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().starts_with(".tarvex-run-"))
                fs::remove_all(entry.path());
        ::setenv("TARVEX_SIGNAL_TEST_PAUSE", "1", 1);
        const pid_t copy = StartCopy(m_dir, "encoder.pid");
        ::unsetenv("TARVEX_SIGNAL_TEST_PAUSE");
        int encoder = 0, grandchild = 0;
        const bool held = WaitFor(
            [&] {
                encoder = PidTold(RunFolderFile(m_dir, "encoder.pid"));
                grandchild = PidTold(RunFolderFile(m_dir, "grandchild.pid"));
                return encoder > 0 && grandchild > 0 && StateOf(encoder) == 'T' && StateOf(grandchild) == 'T';
            },
            "the copy's encoder and its child to be held");
        ::kill(copy, signal);
        int status = 0;
        const bool ended = WaitFor([&] { return ::waitpid(copy, &status, WNOHANG) == copy; }, "the copy to end");
        if (!ended) {
            ::kill(copy, SIGKILL);
            ::waitpid(copy, &status, 0);
        }
        ASSERT_TRUE(held);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        for (const int pid : {encoder, grandchild})
            EXPECT_TRUE(WaitFor([&] { return StateOf(pid) == 0 || StateOf(pid) == 'Z'; }, "the end of " + std::to_string(pid)))
                << pid << " is left in state " << StateOf(pid);
    }
}

// Only ever run by the tests above, in a copy of this program.
TEST_F(OutputWindow, DISABLED_RunUntilASignalEndsTheProgram)
{
    const char* dir = std::getenv("TARVEX_SIGNAL_TEST_DIR");
    ASSERT_NE(dir, nullptr);
    // The program dies of the signal: nothing would remove the folder of this copy's own.
    m_folder.reset();
    fs::current_path(dir);
    m_dir = dir;
    // The application's own answer to a signal.
    const SignalEnding termination(*m_dlg);
    ASSERT_TRUE(termination.IsInstalled());
    const char* pidfile = std::getenv("TARVEX_SIGNAL_TEST_PIDFILE");
    // Paused once the encoder has started a child of its own, when asked to.
    const std::string encoderPid = pidfile ? pidfile : "encoder.pid";
    std::optional<WindowWatch> pausing;
    const bool pause = std::getenv("TARVEX_SIGNAL_TEST_PAUSE") != nullptr;
    if (pause)
        pausing.emplace("the output window", [] { return QApplication::activeModalWidget(); }, [&](QWidget* window) {
            // Both told whole: held between its file's open and its write, a process would
            // leave its pid untold.
            const auto told = [&](const std::string& name) { return PidTold(RunFolderFile(m_dir, name)) > 0; };
            ASSERT_TRUE(WaitFor([&] { return told("grandchild.pid") && told(encoderPid); },
                                "the encoder and its child"));
            window->findChild<QPushButton*>(QString::number(IDC_PAUSE))->click();
        });
    m_dlg->RunInWindow(OnePlan(Plan({Script({pause ? "spawn:{folder}/grandchild.pid" : "out:", "pidfile:{folder}/" + encoderPid,
                                     "ignore:2", "stampfile:{written}", "wait:never"})})));
    ADD_FAILURE() << "the run's window closed";
}

}  // namespace
