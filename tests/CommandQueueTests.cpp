// A run of commands through the real main dialog and output window, with a stand-in encoder
// placed where the real one would be looked for (./plugins/ffmpeg), so the program lookup is
// the real one too. The stand-in plays a script; a step "wait:FILE" lets the test decide
// when the next chunk comes.

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/text/TextCodec.h"
#include "tests/DropHelper.h"
#include "tests/ModalHelper.h"
#include "ui/RunOutcome.h"
#include "ui/Language.h"
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

class CommandQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousDir = fs::current_path();
        m_dir = fs::temp_directory_path() / ("tarvex-queue-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir / "plugins");
        fs::create_symlink(RUNNER_CHILD, m_dir / "plugins" / "ffmpeg");
        fs::current_path(m_dir);
        m_dlg.emplace();
        m_dlg->Create();
    }

    void TearDown() override
    {
        m_dlg.reset();
        fs::current_path(m_previousDir);
        fs::remove_all(m_dir);
    }

    // What Convert does before it starts a run; then the run, with `act` inside its window.
    std::intptr_t Run(const std::vector<std::u16string>& commands, std::function<void(QWidget*)> act)
    {
        m_dlg->m_commands.Clear();
        for (const std::u16string& command : commands)
            m_dlg->m_commands.Append(command);
        m_dlg->m_commands.Rewind();
        m_dlg->m_strPrevChunk.clear();
        m_dlg->m_strLastChunk.clear();
        // A failed check inside the window would leave the run waiting for a user: end it.
        auto watch = WhenModal(
            [act = std::move(act)](QWidget* window) {
                act(window);
                if (::testing::Test::HasFailure())
                    CloseWhatIsOpen();
            },
            WidgetOf(*m_dlg), "the output window");
        return m_dlg->RunCommands();
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

    std::u16string LastChunk()
    {
        boost::mutex::scoped_lock lock(m_dlg->m_outputLock);
        return m_dlg->m_strLastChunk;
    }

    // Closes the window with Enter once OK shows, as a user would.
    void CloseWhenDone(QWidget* window)
    {
        ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
        QTest::keyClick(window, Qt::Key_Return);
    }

    fs::path m_previousDir;
    fs::path m_dir;
    std::optional<CTarvexDlg> m_dlg;
};

TEST_F(CommandQueue, TheWindowShowsThePreviousChunkThenTheNewestOne)
{
    const std::u16string folder = CreateRunFolder(DecodeUtf8((m_dir / "out.flv").string()));
    ASSERT_FALSE(folder.empty());
    std::ofstream(EncodeUtf8(folder) + "/temp.avi").put('x');
    m_dlg->m_strRunFolder = folder;
    const std::intptr_t result = Run(
        {Script({"out:first", "wait:go1", "err:second", "wait:go2", "out:third"})}, [&](QWidget* window) {
            EXPECT_FALSE(OkShows());
            ASSERT_TRUE(WaitText(u"first"));
            Touch("go1");
            ASSERT_TRUE(WaitText(u"firstsecond"));
            Touch("go2");
            ASSERT_TRUE(WaitText(u"secondthird"));
            CloseWhenDone(window);
        });
    EXPECT_EQ(result, IDOK);
    // The end of the run takes the intermediate file's folder with it.
    EXPECT_FALSE(fs::exists(EncodeUtf8(folder)));
}

TEST_F(CommandQueue, EmptyCommandsAreSkippedAndEndTheRunWhenNothingFollows)
{
    Run({Script({"touch:one", "out:one"}), u"", Script({"touch:three", "out:three"}), u"", u""},
        [&](QWidget* window) { CloseWhenDone(window); });
    EXPECT_TRUE(fs::exists(m_dir / "one"));
    EXPECT_TRUE(fs::exists(m_dir / "three"));
    EXPECT_EQ(LastChunk(), u"three");

    // A run whose first command is empty runs nothing and shows no window.
    auto noWindow = FailIfModal("an output window for an empty first command");
    m_dlg->m_commands.Clear();
    m_dlg->m_commands.Append(u"");
    m_dlg->m_commands.Append(Script({"touch:never"}));
    m_dlg->m_commands.Rewind();
    EXPECT_EQ(m_dlg->RunCommands(), 0);
    EXPECT_FALSE(fs::exists(m_dir / "never"));
}

TEST_F(CommandQueue, ACommandThatCannotStartEndsTheRunWithItsMessage)
{
    const std::u16string missing = u"plugins\\missing.exe -i x";
    // First command.
    Run({missing, Script({"touch:second"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"Unable to start plugins\\missing.exe -i x\n"));
        CloseWhenDone(window);
    });
    // A later one: the text before it stays, the one after it never runs.
    Run({Script({"out:before "}), missing, Script({"touch:third"})}, [&](QWidget* window) {
        ASSERT_TRUE(WaitText(u"before Unable to start plugins\\missing.exe -i x\n"));
        CloseWhenDone(window);
    });
    EXPECT_FALSE(fs::exists(m_dir / "second"));
    EXPECT_FALSE(fs::exists(m_dir / "third"));
}

TEST_F(CommandQueue, EnterEscAndCloseCountOnlyOnceTheRunHasEnded)
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

TEST_F(CommandQueue, EveryRunOpensAFreshWindow)
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

TEST_F(CommandQueue, CharactersCutBetweenChunksShowWholeButNeverAcrossChildren)
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

TEST_F(CommandQueue, AFloodIsDrawnOncePerRefreshIntervalAndItsEndAtOnce)
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

TEST_F(CommandQueue, TheEndOfARunSaysWhatBecameOfItAndTheBarAgrees)
{
    const std::u16string output = DecodeUtf8((m_dir / "out.flv").string());
    const std::u16string missing = u"plugins\\nosuch.exe -i x";
    const struct {
        const char* what;
        int language;
        std::vector<std::u16string> commands;
        std::u16string line;  // the outcome line; empty: the output was written
        int barAtEnd;  // the first of two commands ended: half, whatever became of it
        const char* alsoRan;  // a file the run's last command makes, run after a failure
    } cases[] = {
        {"written", 0,
         {Script({"err:Duration: 00:00:10.00, start: 0\n", "err:frame=1 time=00:00:05.00 x\r", "wait:go",
                  "stampfile:out.flv"})},
         u"", 100, nullptr},
        {"written, in Chinese", 1, {Script({"stampfile:out.flv"})}, u"", 100, nullptr},
        {"a status, and every command still runs", 0, {Script({"exit:3"}), Script({"stampfile:out.flv", "touch:ran"})},
         u"Failed: step 1 of 2, ffmpeg, exited with status 3.", 50, "ran"},
        {"a status, in Chinese", 1, {Script({"exit:3"}), Script({"stampfile:out.flv"})},
         u"失败：第 1 步（共 2 步）ffmpeg 退出，状态为 3。", 50, nullptr},
        {"the first failure tells", 0, {Script({"exit:1"}), Script({"exit:2"})},
         u"Failed: step 1 of 2, ffmpeg, exited with status 1.", 50, nullptr},
        {"a signal", 0, {Script({"err:Duration: 00:00:10.00, x\n", "err:time=00:00:02.50\r", "raise:9"})},
         u"Failed: step 1 of 1, ffmpeg, was killed by signal 9.", 25, nullptr},
        {"no start", 0, {Script({"touch:first"}), missing}, u"Failed: step 2 of 2, nosuch, could not start.", 50, nullptr},
        {"no start, in Chinese", 1, {missing}, u"失败：第 1 步（共 1 步）nosuch 无法启动。", 0, nullptr},
        {"no output", 0, {Script({"out:all well"})}, u"Failed: out.flv is missing or empty.", 0, nullptr},
        {"an empty output", 0, {Script({"touch:out.flv"})}, u"Failed: out.flv is missing or empty.", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir / "out.flv");
        fs::remove(m_dir / "go");
        g_nLanguage = c.language;
        m_dlg->m_strOutput = output;
        std::u16string line;
        bool lineShown = false;
        int bar = -2;
        Run(c.commands, [&](QWidget* window) {
            if (c.barAtEnd == 100 && c.language == 0) {
                // Half the length told: half the bar, and still no outcome.
                ASSERT_TRUE(WaitFor([&] { return Bar() == 50; }, "the bar at 50"));
                EXPECT_FALSE(m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->IsWindowVisible());
                Touch("go");
            }
            ASSERT_TRUE(WaitFor([&] { return OkShows(); }, "the OK button"));
            CWnd* outcome = m_dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME);
            lineShown = outcome->IsWindowVisible();
            line = outcome->GetWindowText();
            bar = Bar();
            // What a screen reader calls the bar, in the run's language.
            QAccessibleInterface* named =
                QAccessible::queryAccessibleInterface(WidgetOf(*m_dlg->m_pOutDlg->GetProgressCtrl(IDC_PROGRESS)));
            ASSERT_NE(named, nullptr);
            EXPECT_EQ(named->text(QAccessible::Name), c.language ? QStringLiteral("进度") : QStringLiteral("Progress"));
            QTest::keyClick(window, Qt::Key_Return);
        });
        if (c.line.empty()) {
            std::error_code error;
            const auto size = fs::file_size(m_dir / "out.flv", error);
            ASSERT_FALSE(error);
            EXPECT_EQ(line, (c.language ? u"完成：已写入 out.flv，" : u"Done: out.flv was written, ") +
                                SizeText(size, c.language) + (c.language ? u"。" : u"."));
        } else {
            EXPECT_EQ(line, c.line);
        }
        EXPECT_TRUE(lineShown);
        EXPECT_EQ(bar, c.barAtEnd);
        if (c.alsoRan) {
            EXPECT_TRUE(fs::exists(m_dir / c.alsoRan));
        }
    }
    g_nLanguage = 0;
}

TEST_F(CommandQueue, AFileDroppedDuringARunNamesNothing)
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

TEST_F(CommandQueue, AStopDuringARunLaunchesNothingMore)
{
    m_dlg->m_commands.Clear();
    m_dlg->m_commands.Append(Script({"out:started", "wait:never"}));
    m_dlg->m_commands.Append(Script({"touch:second"}));
    m_dlg->m_commands.Rewind();
    ASSERT_TRUE(m_dlg->LaunchFirstCommand());
    ASSERT_TRUE(WaitFor([&] { return LastChunk() == u"started"; }, "the first command's text"));
    m_dlg->Shutdown();
    EXPECT_EQ(LastChunk(), u"started");  // no "not started" either: nothing was asked
    EXPECT_FALSE(fs::exists(m_dir / "second"));
}

TEST_F(CommandQueue, TheMainDialogGoesWhileAChildFloodsItsWindow)
{
    m_dlg->m_commands.Clear();
    m_dlg->m_commands.Append(Script({"smallwrites:50000000:100:2"}));
    m_dlg->m_commands.Rewind();
    ASSERT_TRUE(m_dlg->LaunchFirstCommand());
    ASSERT_TRUE(WaitFor([&] { return !LastChunk().empty(); }, "the flood to begin"));
    // Refreshes are still queued for the GUI thread; the destructor stops the runner before
    // anything they or the readers touch goes, and nothing queued runs afterwards.
    m_dlg.reset();
    QCoreApplication::processEvents();
    // The flooding child went with the runner: no process is left in the test's folder.
    const std::string self = std::to_string(::getpid());
    for (const fs::directory_entry& process : fs::directory_iterator("/proc")) {
        const std::string pid = process.path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        EXPECT_NE(fs::read_symlink(process.path() / "cwd", error), m_dir)
            << "process " << process.path().filename() << " still runs";
    }
}

}  // namespace
