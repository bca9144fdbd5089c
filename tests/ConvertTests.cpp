// Conversions set going from the real main dialog, the way a user does it: options picked,
// names typed or chosen with "...", Convert clicked, the output window closed once its OK
// button shows. The encoders are the real ffmpeg and mencoder found on PATH, working on short
// clips each test makes in a folder of its own; ffprobe says what came out.

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "convert/SourceList.h"
#include "convert/StringUtils.h"
#include "platform/process/Processors.h"
#include "platform/text/TextCodec.h"
#include "tests/EncoderTools.h"
#include "tests/MainDialogFixture.h"
#include "tests/ModalHelper.h"
#include "tests/ReadOnlyFolder.h"
#include "ui/OutcomeText.h"

namespace fs = std::filesystem;

namespace {

constexpr double kClipSeconds = 2;
// Generous: the encoders share two cores with the rest of the suite.
constexpr int kRunBoundMs = 60000;

// The program's debug output, as a developer sees it with QT_LOGGING_RULES="tarvex.debug=true":
// every command line before its child starts, and every chunk the encoders wrote. It outlives
// every dialog, so a reader thread still running at a test's end after a failure finds it in
// place.
struct DebugCapture {
    std::mutex lock;
    std::vector<std::string> messages;

    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& message);
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> guard(lock);
        return std::exchange(messages, {});
    }
} g_debugOutput;

void DebugCapture::Handle(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && std::string_view(context.category) == "tarvex") {
        std::lock_guard<std::mutex> guard(g_debugOutput.lock);
        g_debugOutput.messages.push_back(message.toStdString());
    }
}

// What the user met after clicking Convert.
struct Outcome {
    QStringList messages;        // message boxes, in order, each answered with OK
    bool windowShown = false;    // the output window
    bool overTheDialog = false;  // it was shown as the main dialog's child window
    QString textAtShow;          // its text as it appeared
    QStringList texts;           // every text it showed after that
    std::u16string finalText;    // its text once OK showed
    std::u16string outcomeLine;  // the line above OK once it showed
    std::vector<std::u16string> fileLines;  // the lines naming the files, as they changed
    std::vector<int> bar;        // the progress bar's positions as they changed, -1 busy
    std::vector<std::string> commands;  // the run's command lines
    std::string encoderOutput;   // all the encoders wrote during the run
    // The debug output's first message after the line on the encoders' confinement: the first
    // command line, before anything it wrote.
    std::string firstDebugMessage;
    std::vector<std::string> confinementLines;  // how the encoders are confined, as the run said
};

// Watches the output window's text from the moment the window is shown, before the first
// refresh can reach it.
class OutputTextWatch : public QObject {
public:
    explicit OutputTextWatch(Outcome& outcome) : m_outcome(outcome) { qApp->installEventFilter(this); }
    ~OutputTextWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && object->objectName() == QString::number(IDC_OUTPUT_TEXT)) {
            if (auto* edit = qobject_cast<QPlainTextEdit*>(object)) {
                m_outcome.textAtShow = edit->toPlainText();
                QObject::connect(edit, &QPlainTextEdit::textChanged, this,
                                 [this, edit] { m_outcome.texts << edit->toPlainText(); });
            }
        }
        return false;
    }

private:
    Outcome& m_outcome;
};

std::set<std::string> Listing(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        names.insert(entry.path().lexically_relative(folder).string());
    return names;
}

// The output window shows a carriage return, which the encoders write to redraw their
// progress line, as a line break.
std::string AsShown(std::string text)
{
    for (std::size_t at = 0; (at = text.find('\r', at)) != std::string::npos;) {
        if (at + 1 < text.size() && text[at + 1] == '\n')
            text.erase(at, 1);
        else
            text[at] = '\n';
    }
    return text;
}

std::u16string U16(const fs::path& path)
{
    return DecodeUtf8(path.string());
}


class ConvertFixture : public MainDialogFixture {
protected:
    void SetUp() override
    {
        m_previousDir = fs::current_path();
        char pattern[] = "/tmp/tarvex-convert-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_work = m_dir / "work";
        m_tmp = m_dir / "tmp";
        fs::create_directories(m_work);
        fs::create_directories(m_tmp);
        // A run's folder goes nowhere but beside the output; a temporary folder of the
        // test's own shows that nothing is left in the system's.
        if (const char* tmpdir = std::getenv("TMPDIR"))
            m_previousTmpdir = tmpdir;
        setenv("TMPDIR", m_tmp.c_str(), 1);
        fs::current_path(m_work);
        const char* locale = std::getenv("TARVEX_TEST_LOCALE");
        ASSERT_NO_FATAL_FAILURE(StartIn(std::string(locale ? locale : "C.UTF-8").c_str()));
    }

    void TearDown() override
    {
        MainDialogFixtureOf::TearDown();
        fs::current_path(m_previousDir);
        if (m_previousTmpdir)
            setenv("TMPDIR", m_previousTmpdir->c_str(), 1);
        else
            unsetenv("TMPDIR");
        if (HasFailure())
            std::cerr << "clip log:\n" << ReadFile((m_dir / "log.txt").string()) << '\n';
        std::error_code error;
        fs::remove_all(m_dir, error);
    }

    // A clip of the test picture and tone; the extension picks the container.
    fs::path Clip(const fs::path& path, const std::vector<std::string>& options = {})
    {
        const fs::path absolute = fs::absolute(path);
        fs::create_directories(absolute.parent_path());
        EXPECT_EQ(MakeClip(absolute.string(), options, kClipSeconds, (m_dir / "log.txt").string()), 0)
            << "making " << absolute;
        return absolute;
    }

    Probe ProbeOutput(const fs::path& path) { return ProbeFile(path.string(), kClipSeconds, (m_dir / "probe.txt").string()); }

    // Clicks Convert and answers what comes: each message with OK, the output window with
    // Enter once its OK button shows. Returns when Convert has returned.
    Outcome ConvertAndWait()
    {
        Outcome outcome;
        QLoggingCategory::setFilterRules(QStringLiteral("tarvex.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(&DebugCapture::Handle);
        g_debugOutput.Take();
        OutputTextWatch watch(outcome);
        QElapsedTimer clock;
        clock.start();
        bool closed = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (clock.hasExpired(kRunBoundMs)) {
                answer.stop();
                ADD_FAILURE() << "gave up after " << kRunBoundMs << " ms waiting for the run to end";
                CloseWhatIsOpen();
                return;
            }
            if (!modal || !IsExposed(modal))
                return;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                outcome.messages << box->text();
                box->accept();
            } else if (modal == OutputWindow()) {
                if (!outcome.windowShown)
                    outcome.overTheDialog = modal->windowHandle()->transientParent() == WidgetOf(*dlg)->windowHandle();
                outcome.windowShown = true;
                CProgressCtrl* bar = dlg->m_pOutDlg->GetProgressCtrl(IDC_PROGRESS);
                const int position = bar->IsMarquee() ? -1 : bar->GetPos();
                if (outcome.bar.empty() || outcome.bar.back() != position)
                    outcome.bar.push_back(position);
                if (CWnd* file = dlg->m_pOutDlg->GetDlgItem(IDC_FILE); file->IsWindowVisible()) {
                    const std::u16string line = file->GetWindowText();
                    if (outcome.fileLines.empty() || outcome.fileLines.back() != line)
                        outcome.fileLines.push_back(line);
                }
                if (!closed && OkShows()) {
                    closed = true;
                    outcome.finalText = OutputText();
                    if (dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->IsWindowVisible())
                        outcome.outcomeLine = dlg->m_pOutDlg->GetDlgItem(IDC_OUTCOME)->GetWindowText();
                    QTest::keyClick(modal, Qt::Key_Return);
                }
            } else {
                ADD_FAILURE() << "an unexpected window: " << modal->metaObject()->className();
                CloseWhatIsOpen();
            }
        });
        answer.start(5);
        Click(IDOK);
        answer.stop();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a window is still open after Convert";
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        std::vector<std::string> messages = g_debugOutput.Take();
        std::erase_if(messages, [&](const std::string& message) {
            if (!message.starts_with("Encoders "))
                return false;
            outcome.confinementLines.push_back(message);
            return true;
        });
        if (!messages.empty())
            outcome.firstDebugMessage = messages.front();
        // Every command the dialog builds names its encoder as plugins\...; no encoder's
        // output starts so.
        for (const std::string& message : messages) {
            if (message.starts_with("plugins\\"))
                outcome.commands.push_back(message);
            else
                outcome.encoderOutput += message;
        }
        m_commands.clear();
        for (const std::string& command : outcome.commands)
            m_commands.push_back(DecodeUtf8(command));
        return outcome;
    }

    QWidget* OutputWindow()
    {
        return dlg->m_pOutDlg && dlg->m_pOutDlg->HasWindow() ? WidgetOf(*dlg->m_pOutDlg) : nullptr;
    }
    bool OkShows() { return dlg->m_pOutDlg->GetDlgItem(IDOK)->IsWindowVisible(); }
    std::u16string OutputText() { return dlg->m_pOutDlg->GetEdit(IDC_OUTPUT_TEXT)->GetWindowText(); }

    // The list's entry, or what the edit beside it holds when the list shows "Custom...".
    std::u16string Chosen(int list, int custom)
    {
        const std::u16string entry = Selected(list);
        if (entry != kCustomEntry)
            return entry;
        std::u16string typed = Text(custom);
        Trim(typed);
        return typed;
    }

    // The command lines of the last Convert, in the order they started.
    const std::vector<std::u16string>& Commands() const { return m_commands; }
    std::vector<std::u16string> m_commands;

    // The window's last text is the end of what the encoders wrote, and ffmpeg, the last of
    // them, finished: its summary is in the output. Where the summary stands among its last
    // lines depends on its version (after the last progress line, or before it), so only that
    // it is there is held.
    void ExpectClosingLines(const Outcome& outcome)
    {
        const std::string shown = EncodeUtf8(outcome.finalText);
        const std::string written = AsShown(outcome.encoderOutput);
        EXPECT_FALSE(shown.empty());
        EXPECT_LE(shown.size(), 2u * 256 + 4);
        EXPECT_TRUE(written.ends_with(shown)) << "the window shows:\n" << shown;
        EXPECT_NE(written.find("muxing overhead"), std::string::npos) << "the encoders wrote:\n" << written;
    }

    // The bar may be busy until the encoder tells the length, and then only rises, to 100.
    static void ExpectRisingToTheEnd(const std::vector<int>& bar)
    {
        ASSERT_FALSE(bar.empty());
        EXPECT_EQ(bar.back(), 100);
        for (std::size_t i = 1; i < bar.size(); ++i)
            EXPECT_LT(bar[i - 1], bar[i]) << "at change " << i;
    }

    // Nothing of the run is left: no intermediate file, no run folder, here or in TMPDIR.
    void ExpectOnly(const std::set<std::string>& names)
    {
        EXPECT_EQ(Listing(m_work), names);
        EXPECT_EQ(Listing(m_tmp), std::set<std::string>{});
    }

    fs::path m_previousDir;
    std::optional<std::string> m_previousTmpdir;
    fs::path m_dir;
    fs::path m_work;  // the current directory
    fs::path m_tmp;   // TMPDIR
};

// ---------------------------------------------------------------------------------------------
// Every export type end to end
// ---------------------------------------------------------------------------------------------

struct Conversion {
    const char* name;
    const char16_t* exportType;  // FLV2Video's export type; nullptr keeps Video2FLV
    const char16_t* subType;
    const char16_t* videoCodec;
    const char16_t* audioCodec;
    const char16_t* frameRate;    // an entry picked in place of the profile's
    const char16_t* frameSize;
    const char16_t* customFrameRate;
    const char16_t* customBitRate;
    const char* source;
    std::vector<std::string> clipOptions;
    std::size_t stages;
    const char* container;  // as ffprobe names them
    const char* video;      // nullptr: no video stream
    const char* audio;
};

void PrintTo(const Conversion& c, std::ostream* out)
{
    *out << c.name;
}

class ConvertEndToEnd : public ConvertFixture, public ::testing::WithParamInterface<Conversion> {};

TEST_P(ConvertEndToEnd, GivesTheFileTheDialogAskedFor)
{
    const Conversion& c = GetParam();
    const fs::path source = Clip(c.source, c.clipOptions);
    if (c.exportType) {
        ClickTab(1);
        Pick(IDC_EXPORT_TYPE, c.exportType);
    }
    if (c.subType)
        Pick(IDC_SUB_TYPE, c.subType);
    if (c.videoCodec)
        Pick(IDC_VIDEO_CODEC, c.videoCodec);
    if (c.audioCodec)
        Pick(IDC_AUDIO_CODEC, c.audioCodec);
    if (c.frameRate)
        Pick(IDC_FRAME_RATE, c.frameRate);
    if (c.frameSize)
        Pick(IDC_FRAME_SIZE, c.frameSize);
    if (c.customFrameRate)
        Type(IDC_CUSTOM_FRAME_RATE, c.customFrameRate);
    if (c.customBitRate)
        Type(IDC_CUSTOM_BIT_RATE, c.customBitRate);
    // The output is left empty: Convert names it after the source.
    Type(IDC_SOURCE, U16(source));
    Type(IDC_OUTPUT, u"");

    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{});
    ASSERT_TRUE(outcome.windowShown);
    ExpectClosingLines(outcome);
    const std::vector<std::u16string> commands = Commands();
    ASSERT_EQ(commands.size(), c.stages);
    EXPECT_EQ(outcome.firstDebugMessage, EncodeUtf8(commands.front()));
    EXPECT_EQ(commands.front().starts_with(u"plugins\\mencoder.exe "), c.stages == 2);

    std::string extension = c.exportType ? EncodeUtf8(c.exportType) : "flv";
    for (char& ch : extension)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const fs::path output = fs::path(source).replace_extension(extension);
    EXPECT_EQ(Text(IDC_OUTPUT), U16(output));
    ExpectOnly({source.filename().string(), output.filename().string()});

    const Probe probe = ProbeOutput(output);
    EXPECT_EQ(probe["format.format_name"], c.container);
    if (c.video) {
        EXPECT_EQ(probe["video.codec_name"], c.video);
        std::u16string size = Selected(IDC_FRAME_SIZE);
        RemoveBlanks(size);
        EXPECT_EQ(probe["video.width"] + "x" + probe["video.height"], size == u"Original" ? "160x120" : EncodeUtf8(size));
        const std::u16string rate = Chosen(IDC_FRAME_RATE, IDC_CUSTOM_FRAME_RATE);
        EXPECT_NEAR(Rate(probe["video.r_frame_rate"]), rate == u"Original" ? 25 : std::stod(EncodeUtf8(rate)), 0.01);
        // Two seconds of a test picture cannot meet a video bit rate exactly, and at a frame
        // or two a second cannot even spend it: only a gross miss counts.
        const double kbps = std::stod(EncodeUtf8(Chosen(IDC_VIDEO_BIT_RATE, IDC_CUSTOM_BIT_RATE)));
        EXPECT_GT(probe.kbps.at("video"), kbps / 3) << "asked for " << kbps << " kb/s";
        EXPECT_LT(probe.kbps.at("video"), kbps * 2) << "asked for " << kbps << " kb/s";
    } else {
        EXPECT_EQ(probe["video.codec_name"], "");
    }
    EXPECT_EQ(probe["audio.codec_name"], c.audio);
    EXPECT_EQ(probe["audio.sample_rate"], EncodeUtf8(Selected(IDC_SAMPLE_RATE)));
    EXPECT_EQ(probe["audio.channels"], Selected(IDC_CHANNELS) == u"mono" ? "1" : "2");
    const double audioKbps = std::stod(EncodeUtf8(Selected(IDC_AUDIO_BIT_RATE)));
    EXPECT_NEAR(probe.kbps.at("audio"), audioKbps, audioKbps * 0.15);

    ExpectRisingToTheEnd(outcome.bar);
    // Read back, the new file holds what the dialog asked for, and all of the clip; its length
    // as ffprobe reads it (at one frame a second the last frame stretches it past the clip's).
    EXPECT_EQ(outcome.outcomeLine, u"Done: " + U16(output.filename()) + u" was written, " +
                                       SizeText(fs::file_size(output), Language::English) + u", " +
                                       DurationText(std::stod(probe["format.duration"])) + u".");
}

INSTANTIATE_TEST_SUITE_P(
    Exports, ConvertEndToEnd,
    ::testing::Values(
        Conversion{"FlvFromMp4", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.mp4", {"-c:v", "mpeg4"}, 2, "flv", "flv1", "mp3"},
        Conversion{"FlvFromAvi", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.avi", {}, 1, "flv", "flv1", "mp3"},
        Conversion{"AviMsMpeg4Mp3", u"AVI", nullptr, u"MS MPEG4 V2", u"mp3", nullptr, nullptr, u"25", u"300",
                   "clip.flv", {}, 1, "avi", "msmpeg4v2", "mp3"},
        Conversion{"AviMjpegMp2", u"AVI", nullptr, u"MJPEG", u"mp2", nullptr, u"176 x 144", u"20", u"1600",
                   "clip.flv", {}, 1, "avi", "mjpeg", "mp2"},
        Conversion{"Mp4", u"MP4", u"MP4", nullptr, nullptr, u"12", nullptr, nullptr, u"400",
                   "clip.flv", {}, 1, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp3"},
        Conversion{"Mp4iPod", u"MP4", u"iPod", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.flv", {}, 1, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp3"},
        Conversion{"Mp4Psp", u"MP4", u"PSP", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.flv", {}, 1, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp3"},
        Conversion{"Mp4Mobile", u"MP4", u"MOBILE", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.flv", {}, 1, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "mp3"},
        Conversion{"WmvWmv1", u"WMV", nullptr, u"WMV1", nullptr, nullptr, nullptr, u"15", u"300",
                   "clip.flv", {}, 1, "asf", "wmv1", "mp3"},
        Conversion{"WmvWmv2", u"WMV", nullptr, u"WMV2", nullptr, nullptr, u"320 x 240", u"30", u"500",
                   "clip.flv", {}, 1, "asf", "wmv2", "mp3"},
        Conversion{"Mp3", u"MP3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   "clip.flv", {}, 1, "mp3", nullptr, "mp3"}),
    [](const ::testing::TestParamInfo<Conversion>& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------------------------
// Names that are hard to pass on: blanks, quotes, tabs, backslashes, Chinese, option look-alikes
// ---------------------------------------------------------------------------------------------

struct AwkwardNames {
    const char* name;
    const char* source;  // relative to the current directory
    const char* output;
    bool absolute;       // typed as absolute paths, else as written
};

void PrintTo(const AwkwardNames& c, std::ostream* out)
{
    *out << c.name;
}

class ConvertPaths : public ConvertFixture, public ::testing::WithParamInterface<AwkwardNames> {};

TEST_P(ConvertPaths, ReachTheEncodersUnchanged)
{
    const AwkwardNames& c = GetParam();
    const fs::path source = Clip(c.source, fs::path(c.source).extension() == ".mp4"
                                               ? std::vector<std::string>{"-c:v", "mpeg4"}
                                               : std::vector<std::string>{"-f", "avi"});
    fs::create_directories(fs::absolute(c.output).parent_path());
    Type(IDC_SOURCE, c.absolute ? U16(source) : DecodeUtf8(c.source));
    Type(IDC_OUTPUT, c.absolute ? U16(fs::absolute(c.output)) : DecodeUtf8(c.output));

    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{});
    ASSERT_TRUE(outcome.windowShown);
    ExpectClosingLines(outcome);
    const Probe probe = ProbeOutput(fs::absolute(c.output));
    EXPECT_EQ(probe["format.format_name"], "flv");
    EXPECT_EQ(probe["video.codec_name"], "flv1");
    EXPECT_EQ(probe["audio.codec_name"], "mp3");
    // The folders the names need, the source and the output: nothing else.
    std::set<std::string> expected;
    for (const char* name : {c.source, c.output})
        for (fs::path part = name; !part.empty(); part = part.parent_path())
            expected.insert(part.string());
    ExpectOnly(expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ConvertPaths,
    ::testing::Values(
        AwkwardNames{"BlanksAndChinese", "我的 视频/第一 段.avi", "我的 视频/结果 一.flv", true},
        // Two stages: the intermediate file's folder lies in the output's awkward folder.
        AwkwardNames{"QuotesAndTabs", "say \"hi\"\tnow.mp4", "out \"dir\"\tx/done \"q\".flv", true},
        // No extension: two stages, and the closing quote follows a backslash.
        AwkwardNames{"TrailingBackslash", "源 clip\\", "back slash\\/out\\.flv", true},
        // Relative, two stages: the run's folder lies in the current directory.
        AwkwardNames{"OptionAndProtocolLookAlikes", "-i clip.mp4", "http:out.flv", false}),
    [](const ::testing::TestParamInfo<AwkwardNames>& param) { return std::string(param.param.name); });

// This program, to start a copy of it.
static fs::path g_self;

// The names above once more in a program started under the C locale: the command lines and
// the encoders' text are UTF-8 whatever the locale says.
TEST(ConvertUnderTheCLocale, NamesStillReachTheEncodersUnchanged)
{
    const fs::path self = g_self;
    char pattern[] = "/tmp/tarvex-convert-c-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string log = std::string(pattern) + "/log.txt";
    const int status = RunProgram({"env", "LANG=C", "LC_ALL=C", "TARVEX_TEST_LOCALE=C", self.string(),
                                   "--gtest_filter=Names/ConvertPaths.*"},
                                  log);
    const std::string text = ReadFile(log);
    const auto count = [&text](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
            ++n;
        return n;
    };
    EXPECT_EQ(status, 0) << text;
    EXPECT_GT(count("[ RUN      ] Names/ConvertPaths."), 0u) << text;
    EXPECT_EQ(count("[       OK ] Names/ConvertPaths."), count("[ RUN      ] Names/ConvertPaths.")) << text;
    fs::remove_all(pattern);
}

// ---------------------------------------------------------------------------------------------
// Bad input: a clear outcome each time, and nothing of the user's lost
// ---------------------------------------------------------------------------------------------

using Convert = ConvertFixture;

TEST_F(Convert, WithoutASourceAsksForOneAndDoesNothingElse)
{
    Type(IDC_OUTPUT, u"out.flv");
    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("Please enter the source file name!")});
    EXPECT_FALSE(outcome.windowShown);
    EXPECT_EQ(Text(IDC_OUTPUT), u"out.flv");
    ExpectOnly({});
}

TEST_F(Convert, AMissingSourceShowsTheEncodersErrorAndEnds)
{
    for (const char* missing : {"missing.avi", "missing.mp4"}) {
        SCOPED_TRACE(missing);
        Type(IDC_SOURCE, DecodeUtf8(missing));
        Type(IDC_OUTPUT, u"");
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_NE(outcome.finalText.find(u"No such file or directory"), std::u16string::npos)
            << EncodeUtf8(outcome.finalText);
        ExpectOnly({});
    }
}

TEST_F(Convert, AnOutputThatIsTheSourceIsRefusedAndTheSourceKept)
{
    const fs::path source = Clip("clip.flv");
    const std::string bytes = ReadFile(source.string());
    fs::create_symlink(source, "link.flv");
    fs::create_hard_link(source, "hard.flv");
    const struct {
        const char* what;
        std::u16string output;
    } cases[] = {
        // An FLV source in Video2FLV: the output the dialog makes up is the source itself.
        {"the same path", u""},
        {"a ./ spelling", u"./clip.flv"},
        {"a symbolic link", U16(m_work / "link.flv")},
        {"a hard link", u"hard.flv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Type(IDC_SOURCE, U16(source));
        Type(IDC_OUTPUT, c.output);
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("The output file must not be the source file!")});
        EXPECT_FALSE(outcome.windowShown);
        EXPECT_EQ(ReadFile(source.string()), bytes);
        ExpectOnly({"clip.flv", "link.flv", "hard.flv"});
    }
}

TEST_F(Convert, AUsersOwnTempAviOutlivesATwoStageRun)
{
    const fs::path source = Clip("clip.mp4", {"-c:v", "mpeg4"});
    std::ofstream("temp.avi") << "my own notes, not a video";
    Type(IDC_SOURCE, U16(source));
    const Outcome outcome = ConvertAndWait();
    ASSERT_TRUE(outcome.windowShown);
    ASSERT_EQ(Commands().size(), 2u);
    EXPECT_EQ(ProbeOutput("clip.flv")["format.format_name"], "flv");
    EXPECT_EQ(ReadFile("temp.avi"), "my own notes, not a video");
    ExpectOnly({"clip.mp4", "clip.flv", "temp.avi"});
}

TEST_F(Convert, AWorkingDirectoryWithoutWritePermissionStillConvertsInTwoStages)
{
    const fs::path source = Clip(m_dir / "media" / "clip.mp4", {"-c:v", "mpeg4"});
    ReadOnlyFolder locked(m_work);
    ASSERT_EQ(locked.Error(), "");
    // Entered afresh, so the current directory is the read-only one.
    fs::current_path(m_work);
    ASSERT_FALSE(CanCreateIn("."));
    Type(IDC_SOURCE, U16(source));
    const Outcome outcome = ConvertAndWait();
    ASSERT_TRUE(outcome.windowShown);
    ASSERT_EQ(Commands().size(), 2u);
    ExpectClosingLines(outcome);
    EXPECT_EQ(ProbeOutput(m_dir / "media" / "clip.flv")["format.format_name"], "flv");
    EXPECT_EQ(Listing(m_dir / "media"), (std::set<std::string>{"clip.mp4", "clip.flv"}));
    ExpectOnly({});
}

// A disk that fills during a run, for real: the output folder on a tmpfs too small for the new
// file. The encoder fails for want of space, and the folder holds the earlier output as it was
// and nothing else.
TEST_F(Convert, AFullDiskLeavesTheEarlierOutputAsItWasAndNamesTheFailedStep)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs takes root";
    const fs::path disk = m_dir / "disk";
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tarvex-full-disk", disk.c_str(), "tmpfs", 0, "size=128k,mode=0755"), 0) << std::strerror(errno);
    const std::unique_ptr<const char, void (*)(const char*)> unmount(disk.c_str(),
                                                                      [](const char* at) { ::umount2(at, MNT_DETACH); });
    // Some 700 KiB as FLV: an .avi source takes a single ffmpeg step.
    const fs::path source = m_work / "clip.avi";
    ASSERT_EQ(MakeClip(source.string(), {}, 20, (m_dir / "log.txt").string()), 0);
    std::ofstream(disk / "clip.flv") << "an earlier conversion";
    const struct {
        Language language;
        const char16_t* failed;
    } cases[] = {
        {Language::English, u"Failed: step 1 of 1, ffmpeg, exited with status "},
        {Language::Chinese, u"失败：第 1 步（共 1 步）ffmpeg 退出，状态为 "},
    };
    for (const auto& c : cases) {
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        ASSERT_EQ(g_language, c.language);
        Type(IDC_SOURCE, U16(source));
        Type(IDC_OUTPUT, U16(disk / "clip.flv"));
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_TRUE(outcome.windowShown);
        ASSERT_EQ(Commands().size(), 1u);
        // The status is the encoder's own choice; only that it is not 0 is promised.
        EXPECT_TRUE(outcome.outcomeLine.starts_with(c.failed)) << EncodeUtf8(outcome.outcomeLine);
        EXPECT_FALSE(outcome.outcomeLine.starts_with(std::u16string(c.failed) + u"0")) << EncodeUtf8(outcome.outcomeLine);
        EXPECT_EQ(Listing(disk), std::set<std::string>{"clip.flv"});
        EXPECT_EQ(ReadFile((disk / "clip.flv").string()), "an earlier conversion");
    }
}

TEST_F(Convert, ASourceThatIsNotAVideoEndsWithTheFailedCommandInEitherLanguage)
{
    for (const char* name : {"notes.avi", "notes.mp4"})
        std::ofstream(name) << "plain words, not a video\n";
    // An earlier output outlives the failed run as it was.
    std::ofstream("notes.flv") << "an earlier conversion";
    const struct {
        const char16_t* source;
        Language language;
        const char16_t* line;
    } cases[] = {
        {u"notes.avi", Language::English, u"Failed: step 1 of 1, ffmpeg, exited with status #."},
        {u"notes.avi", Language::Chinese, u"失败：第 1 步（共 1 步）ffmpeg 退出，状态为 #。"},
        // The second step fails as well, for want of the first one's file: the first tells.
        {u"notes.mp4", Language::Chinese, u"失败：第 1 步（共 2 步）mencoder 退出，状态为 #。"},
        {u"notes.mp4", Language::English, u"Failed: step 1 of 2, mencoder, exited with status #."},
    };
    // Which status an encoder gives for a source it cannot read is its own affair (ffmpeg 5.1
    // says 1, ffmpeg 7 says 183): the line must name one that is not 0, where '#' stands.
    const auto withStatus = [](std::u16string_view line, std::u16string_view pattern) {
        const std::size_t at = pattern.find(u'#');
        if (!line.starts_with(pattern.substr(0, at)) || !line.ends_with(pattern.substr(at + 1)))
            return false;
        const std::u16string_view status = line.substr(at, line.size() - (pattern.size() - 1));
        return !status.empty() && status.front() >= u'1' && status.front() <= u'9' &&
               std::all_of(status.begin(), status.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EncodeUtf8(c.line));
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        ASSERT_EQ(g_language, c.language);
        Type(IDC_SOURCE, c.source);
        Type(IDC_OUTPUT, u"");
        const Outcome outcome = ConvertAndWait();
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_TRUE(withStatus(outcome.outcomeLine, c.line)) << EncodeUtf8(outcome.outcomeLine);
        ASSERT_FALSE(outcome.bar.empty());
        EXPECT_LT(outcome.bar.back(), 100);
        EXPECT_EQ(ReadFile("notes.flv"), "an earlier conversion");
        ExpectOnly({"notes.avi", "notes.mp4", "notes.flv"});
    }
}

// A playlist posing as a video names another of the user's files as its one segment. Run
// as the user, the encoder would copy that file into the new one; confined to its source it
// cannot read it, and the run fails like any failed conversion, leaving nothing behind.
TEST_F(Convert, APlaylistCannotBringInAnotherOfTheUsersFiles)
{
    const fs::path secret = Clip(m_dir / "Videos" / "holiday.ts");
    fs::create_directories("Downloads");
    const struct {
        const char* what;
        int tab;
        const char* name;
        std::string segment;
        bool bReachedUnconfined;  // every encoder version follows it without confinement
    } cases[] = {
        {"a relative segment", 1, "relative.m3u8", "../../Videos/holiday.ts", true},
        {"an absolute segment", 1, "absolute.m3u8", secret.string(), true},
        // Followed by older encoders only, where the name does not have to say playlist.
        {"a playlist named as a video", 0, "funny.avi", "../../Videos/holiday.ts", false},
    };
    std::set<std::string> made = {"Downloads"};
    for (const auto& c : cases) {
        made.insert(std::string("Downloads/") + c.name);
        std::ofstream(fs::path("Downloads") / c.name)
            << "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:2,\n" << c.segment << "\n#EXT-X-ENDLIST\n";
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path playlist = m_work / "Downloads" / c.name;
        if (c.bReachedUnconfined) {
            // Without this the test would prove nothing: the playlist does reach the clip.
            EXPECT_EQ(RunProgram({"ffmpeg", "-nostdin", "-i", playlist.string(), "-f", "null", "-"},
                                 (m_dir / "log.txt").string()), 0);
        }
        ClickTab(c.tab);
        if (c.tab == 1) {
            Type(IDC_CUSTOM_FRAME_RATE, u"25");
            Type(IDC_CUSTOM_BIT_RATE, u"300");
        }
        Type(IDC_SOURCE, U16(playlist));
        Type(IDC_OUTPUT, u"");
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_EQ(outcome.confinementLines.size(), 1U);
        if (!outcome.confinementLines.front().starts_with("Encoders confined"))
            GTEST_SKIP() << "this kernel cannot confine: " << outcome.confinementLines.front();
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_TRUE(outcome.outcomeLine.starts_with(u"Failed: ")) << EncodeUtf8(outcome.outcomeLine);
        ExpectOnly(made);
    }
}

// The suite runs this once more as a native client of a Wayland compositor, where windows
// cannot place themselves: the output window must still open as the dialog's child over it,
// and a run end with its line and close with OK, in either language.
TEST_F(Convert, TheOutputWindowOpensOverTheDialogAndTheRunEndsInEitherLanguage)
{
    if (const char* platform = std::getenv("TARVEX_EXPECT_PLATFORM")) {
        ASSERT_EQ(QGuiApplication::platformName().toStdString(), platform);
    }
    const fs::path source = Clip("clip.avi");
    const struct {
        Language language;
        std::u16string line;
    } cases[] = {
        {Language::English, u"Done: clip.flv was written, "},
        {Language::Chinese, u"完成：已写入 clip.flv，"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EncodeUtf8(c.line));
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        Type(IDC_SOURCE, U16(source));
        Type(IDC_OUTPUT, u"");
        const Outcome outcome = ConvertAndWait();
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_TRUE(outcome.overTheDialog);
        EXPECT_TRUE(outcome.outcomeLine.starts_with(c.line)) << EncodeUtf8(outcome.outcomeLine);
        EXPECT_EQ(ProbeOutput("clip.flv")["format.format_name"], "flv");
    }
}

TEST_F(Convert, AnExistingOutputIsReplacedAndTheNextRunOpensAnEmptyWindow)
{
    const fs::path source = Clip("clip.flv");
    ClickTab(1);
    Type(IDC_CUSTOM_BIT_RATE, u"300");
    Type(IDC_SOURCE, U16(source));
    Type(IDC_OUTPUT, u"out.avi");
    std::ofstream("out.avi") << "an old file of the same name";
    const Outcome first = ConvertAndWait();
    ASSERT_TRUE(first.windowShown);
    EXPECT_EQ(ProbeOutput("out.avi")["format.format_name"], "avi");

    const Outcome second = ConvertAndWait();
    ASSERT_TRUE(second.windowShown);
    EXPECT_EQ(second.textAtShow, QString());
    // Each text shown is a piece of this run's output: nothing of the first run leads it.
    ASSERT_FALSE(second.texts.isEmpty());
    for (const QString& text : second.texts)
        EXPECT_NE(AsShown(second.encoderOutput).find(text.toStdString()), std::string::npos) << text.toStdString();
    ExpectClosingLines(second);
    EXPECT_EQ(ProbeOutput("out.avi")["format.format_name"], "avi");
    ExpectOnly({"clip.flv", "out.avi"});
}

// Several sources are refused before anything runs, with a message that names the files.
TEST_F(Convert, SeveralSourcesAreRefusedNamingTheFiles)
{
    Clip("a.avi");
    Clip("b.avi");
    Clip("a.mp4", {"-c:v", "mpeg4"});
    Clip("a.flv");
    const std::set<std::string> made = Listing(m_work);
    const struct {
        const char16_t* sources;
        const char16_t* output;
        Language language;
        QString message;
    } cases[] = {
        {u"\"a.avi\" \"b.avi\"", u"out.flv", Language::English,
         QStringLiteral("With several source files, Export To must be empty or a folder!")},
        {u"\"a.avi\" \"b.avi\"", u"out.flv", Language::Chinese, QStringLiteral("有多个输入文件时，输出文件必须为空或是一个文件夹！")},
        {u"\"a.avi\" \"gone.avi\" \"b.avi\" \"lost.mp4\"", u"", Language::English,
         QStringLiteral("Source file not found: gone.avi, lost.mp4")},
        {u"\"a.avi\" \"a.mp4\"", u"", Language::English,
         QStringLiteral("Several source files would be written to a.flv: a.avi, a.mp4")},
        {u"\"b.avi\" \"a.flv\"", u"", Language::Chinese, QStringLiteral("输出文件不能与输入文件相同：a.flv")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        Type(IDC_SOURCE, c.sources);
        Type(IDC_OUTPUT, c.output);
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{c.message});
        EXPECT_FALSE(outcome.windowShown);
        ExpectOnly(made);
    }
}

// Three clips in one go, into a folder: each output under its source's name, the window naming
// the files that convert, the outcome counting them.
TEST_F(Convert, SeveralClipsConvertInOneGoIntoAFolder)
{
    const std::vector<std::u16string> sources = {U16(Clip("one.avi")), U16(Clip("two.avi")),
                                                 U16(Clip("three.mp4", {"-c:v", "mpeg4"}))};
    fs::create_directories("out");
    Type(IDC_SOURCE, JoinSources(sources));
    Type(IDC_OUTPUT, U16(m_work / "out"));
    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{});
    ASSERT_TRUE(outcome.windowShown);
    std::uintmax_t size = 0;
    for (const char* name : {"one.flv", "two.flv", "three.flv"}) {
        EXPECT_EQ(ProbeOutput(m_work / "out" / name)["format.format_name"], "flv") << name;
        size += fs::file_size(m_work / "out" / name);
    }
    EXPECT_EQ(outcome.outcomeLine, u"Done: 3 files written, " + SizeText(size, Language::English) + u".");
    // As many at once as there are processors: the first two start together.
    ASSERT_FALSE(outcome.fileLines.empty());
    EXPECT_EQ(outcome.fileLines.front(), UsableProcessors() > 1 ? u"Files 1 and 2 of 3: one.avi, two.avi" : u"File 1 of 3: one.avi");
    ExpectOnly({"one.avi", "two.avi", "three.mp4", "out", "out/one.flv", "out/two.flv", "out/three.flv"});
}

// Encoders exit 0 for a source they cut short; the new file is read back and held against the
// source. The source is read beside the first command, and never when it is a pipe, whose data
// the encoder needs.
TEST_F(Convert, TheNewFileIsReadBackAndHeldAgainstItsSource)
{
    const auto clip = [&](const std::string& name, std::vector<std::string> options, double seconds) {
        EXPECT_EQ(MakeClip((m_work / name).string(), options, seconds, (m_dir / "log.txt").string()), 0) << name;
        return m_work / name;
    };
    // FLV keeps its length in its header, so a file cut at half its bytes still says 0:20.
    const fs::path whole = clip("clip.flv", {}, 20);
    clip("silent.flv", {"-an"}, 20);
    const std::string bytes = ReadFile(whole.string());
    std::ofstream("half.flv", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    const std::string shortClip = ReadFile(clip("short.flv", {}, 2).string());
    fs::remove("short.flv");
    ASSERT_EQ(mkfifo("pipe.flv", 0600), 0);

    ClickTab(1);
    Type(IDC_CUSTOM_FRAME_RATE, u"25");
    Type(IDC_CUSTOM_BIT_RATE, u"300");
    const struct {
        const char16_t* source;
        Language language;
        std::u16string start;  // of the outcome line
        std::u16string end;
    } cases[] = {
        {u"clip.flv", Language::English, u"Done: clip.avi was written, ", u", 0:20."},
        // Nothing to lose where the source has no audio.
        {u"silent.flv", Language::Chinese, u"完成：已写入 silent.avi，", u"，0:20。"},
        {u"half.flv", Language::English, u"Written, but half.avi holds 0:", u" of 0:20."},
        {u"half.flv", Language::Chinese, u"已写入，但 half.avi 只有 0:", u"（原文件 0:20）。"},
        // A source of unknown length: the streams and the file alone are judged.
        {u"pipe.flv", Language::English, u"Done: pipe.avi was written, ", u", 0:02."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EncodeUtf8(c.source));
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        Type(IDC_SOURCE, c.source);
        Type(IDC_OUTPUT, u"");
        // The pipe's writer waits, within a bound, for the encoder to open it.
        std::thread writer;
        if (std::u16string_view(c.source) == u"pipe.flv") {
            writer = std::thread([&shortClip] {
                int fd = -1;
                for (int i = 0; i < 2000 && fd < 0; ++i) {
                    fd = ::open("pipe.flv", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd < 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                if (fd < 0)
                    return;
                ::fcntl(fd, F_SETFL, 0);
                (void)!::write(fd, shortClip.data(), shortClip.size());
                ::close(fd);
            });
        }
        const Outcome outcome = ConvertAndWait();
        if (writer.joinable())
            writer.join();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_TRUE(outcome.outcomeLine.starts_with(c.start) && outcome.outcomeLine.ends_with(c.end))
            << EncodeUtf8(outcome.outcomeLine);
    }
    ExpectOnly({"clip.flv", "silent.flv", "half.flv", "pipe.flv", "clip.avi", "silent.avi", "half.avi", "pipe.avi"});
}

// An output folder that takes no new entries is told at Convert, before a whole first stage
// is spent on it; made read-only for root too, by a bind mount.
TEST_F(Convert, AnOutputFolderThatCannotBeWrittenIsRefusedBeforeAnythingRuns)
{
    const fs::path locked = m_dir / "locked";
    fs::create_directories(locked);
    std::ofstream(locked / "out.flv") << "kept";
    const fs::path mp4 = Clip("clip.mp4", {"-c:v", "mpeg4"});
    ReadOnlyFolder readOnly(locked);
    ASSERT_EQ(readOnly.Error(), "");
    for (const Language language : {Language::English, Language::Chinese}) {
        if (g_language != language)
            Click(IDC_LANGUAGE);
        Type(IDC_SOURCE, U16(mp4));
        Type(IDC_OUTPUT, U16(locked / "out.flv"));
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{language == Language::English
                                                    ? QStringLiteral("The output folder cannot be written!")
                                                    : QStringLiteral("无法写入输出文件夹!")});
        EXPECT_FALSE(outcome.windowShown);
        EXPECT_EQ(Listing(locked), std::set<std::string>{"out.flv"});
        EXPECT_EQ(ReadFile((locked / "out.flv").string()), "kept");
        ExpectOnly({"clip.mp4"});
    }
}

// The encoders write beside it, but a folder in the output's place is never replaced.
TEST_F(Convert, AFolderWhereTheOutputShouldGoStaysAndTheRunSaysSo)
{
    fs::create_directories("folder.flv");
    std::ofstream("folder.flv/inside.txt") << "inside";
    const fs::path avi = Clip("clip.avi");
    Type(IDC_SOURCE, U16(avi));
    Type(IDC_OUTPUT, U16(m_work / "folder.flv"));
    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{});
    ASSERT_TRUE(outcome.windowShown);
    EXPECT_EQ(outcome.outcomeLine, u"Failed: the new folder.flv could not be moved into place.");
    EXPECT_EQ(ReadFile("folder.flv/inside.txt"), "inside");
    ExpectOnly({"clip.avi", "folder.flv", "folder.flv/inside.txt"});
}

// After a refused exchange the include members may be stale; Convert asks the boxes.
TEST_F(Convert, AStreamSwitchedOffAfterARefusedValueIsNotEncoded)
{
    const fs::path avi = Clip("clip.avi");
    QStringList refusals;
    const auto answering = [&](const std::function<void()>& act) {
        auto watch = WhenModal(
            [&](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    refusals << box->text();
                    box->accept();
                }
            },
            WidgetOf(*dlg), "the refusal");
        act();
    };
    Pick(IDC_FRAME_SIZE, kCustomEntry);
    Type(IDC_CUSTOM_WIDTH, u"");
    // Each action's data exchange stops at the empty width, before the check boxes.
    answering([&] { Pick(IDC_FRAME_SIZE, u"Original"); });
    answering([&] { Click(IDC_INCLUDE_AUDIO); });
    ASSERT_FALSE(Checked(IDC_INCLUDE_AUDIO));
    EXPECT_EQ(refusals, QStringList(2, QStringLiteral("Please enter a positive integer.")));
    Type(IDC_SOURCE, U16(avi));
    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("Please enter a positive integer.")});
    ASSERT_TRUE(outcome.windowShown);
    EXPECT_FALSE(Checked(IDC_INCLUDE_AUDIO));
    const Probe probe = ProbeOutput("clip.flv");
    EXPECT_EQ(probe["video.codec_name"], "flv1");
    EXPECT_EQ(probe["audio.codec_name"], "");
}

TEST_F(Convert, CustomValuesLeftAtZeroAreAskedFor)
{
    const fs::path source = Clip("clip.flv");
    // Refused before anything on disk changes: an earlier output stays as it was.
    std::ofstream("out.avi") << "an earlier conversion";
    ClickTab(1);
    Pick(IDC_FRAME_RATE, kCustomEntry);
    const struct {
        const char16_t* frameRate;
        const char16_t* bitRate;
        QString message;
    } cases[] = {
        {u"0", u"300", QStringLiteral("Please enter the frame rate!")},
        {u"20", u"0", QStringLiteral("Please enter the bit rate!")},
        {u"0", u"0", QStringLiteral("Please enter the frame rate!")},
    };
    for (const auto& c : cases) {
        Type(IDC_CUSTOM_FRAME_RATE, c.frameRate);
        Type(IDC_CUSTOM_BIT_RATE, c.bitRate);
        Type(IDC_SOURCE, U16(source));
        Type(IDC_OUTPUT, u"out.avi");
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{c.message});
        EXPECT_FALSE(outcome.windowShown);
        EXPECT_EQ(ReadFile("out.avi"), "an earlier conversion");
        ExpectOnly({"clip.flv", "out.avi"});
    }
}

TEST_F(Convert, TypedValuesReachTheEncoderTrimmedAndAsOneArgumentEach)
{
    const fs::path source = Clip("clip.flv");
    ClickTab(1);
    Pick(IDC_FRAME_RATE, kCustomEntry);
    Type(IDC_SOURCE, U16(source));
    Type(IDC_OUTPUT, u"out.avi");

    // A blank after the number is no part of it.
    Type(IDC_CUSTOM_FRAME_RATE, u"25");
    Type(IDC_CUSTOM_BIT_RATE, u"200 ");
    Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{});
    ASSERT_TRUE(outcome.windowShown);
    const Probe probe = ProbeOutput("out.avi");
    EXPECT_GT(probe.kbps.at("video"), 200 / 3.0);
    EXPECT_LT(probe.kbps.at("video"), 200 * 2.0);

    // Words after the number stay with it: the encoder refuses the value instead of taking
    // the second word for a file to write.
    Type(IDC_CUSTOM_FRAME_RATE, u"25 extra.avi");
    Type(IDC_CUSTOM_BIT_RATE, u"200");
    outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("Please enter a number.")});
    ASSERT_TRUE(outcome.windowShown);
    // The cause stays in view at the end, wherever the encoder's version puts it among its
    // last lines: the window shows the end of what it wrote, the cause included.
    EXPECT_NE(outcome.finalText.find(u"25 extra.avi"), std::u16string::npos) << EncodeUtf8(outcome.finalText);
    EXPECT_TRUE(AsShown(outcome.encoderOutput).ends_with(EncodeUtf8(outcome.finalText))) << EncodeUtf8(outcome.finalText);
    // The failed run leaves the first one's file as it was.
    EXPECT_EQ(ProbeOutput("out.avi")["format.format_name"], "avi");
    ExpectOnly({"clip.flv", "out.avi"});
}

// What the formats do not allow is refused at Convert, in the dialog's language, before
// anything on disk changes or runs; the choice beside each refused one is written as chosen.
TEST_F(Convert, ChoicesTheFormatsForbidAreRefusedAndTheirNeighboursWritten)
{
    const fs::path source = Clip("clip.flv");
    ClickTab(1);
    Type(IDC_CUSTOM_FRAME_RATE, u"25");
    Type(IDC_CUSTOM_BIT_RATE, u"300");
    const struct {
        const char16_t* exportType;
        const char16_t* subType;
        const char16_t* audioCodec;
        const char16_t* sampleRate;
        const char16_t* bitRate;
        const char16_t* channels;
        bool audio;
        const char* english;  // nullptr: allowed
        const char* chinese;
    } cases[] = {
        {u"MP4", u"PSP", u"mp3", u"11025", u"32", u"mono", true,
         "MP4 files take MP3 sound at 16000 Hz or more, not 11025 Hz.",
         "MP4 文件中的 MP3 音频采样率至少为 16000 Hz，不能是 11025 Hz。"},
        {u"MP4", u"PSP", u"mp3", u"22050", u"32", u"mono", true, nullptr, nullptr},
        {u"AVI", nullptr, u"mp3", u"11025", u"96", u"stereo", true, "At 11025 Hz the MP3 encoder makes at most 64 kb/s.",
         "采样率为 11025 Hz 时，MP3 编码器最高只能输出 64 kb/s。"},
        {u"AVI", nullptr, u"mp3", u"11025", u"64", u"stereo", true, nullptr, nullptr},
        {u"WMV", nullptr, u"mp3", u"22050", u"192", u"stereo", true, "At 22050 Hz the MP3 encoder makes at most 160 kb/s.",
         "采样率为 22050 Hz 时，MP3 编码器最高只能输出 160 kb/s。"},
        {u"WMV", nullptr, u"mp3", u"22050", u"160", u"stereo", true, nullptr, nullptr},
        {u"AVI", nullptr, u"mp2", u"48000", u"224", u"mono", true,
         "At 48000 Hz the MP2 encoder makes at most 192 kb/s in mono.",
         "采样率为 48000 Hz 时，MP2 编码器的单声道最高只能输出 192 kb/s。"},
        {u"AVI", nullptr, u"mp2", u"48000", u"192", u"mono", true, nullptr, nullptr},
        {u"AVI", nullptr, u"mp2", u"48000", u"224", u"stereo", true, nullptr, nullptr},
        {u"MP3", nullptr, u"mp3", u"44100", u"96", u"stereo", false, "An MP3 file holds sound only: tick Include Audio!",
         "MP3 文件只含音频：请勾选输出音频！"},
        {u"AVI", nullptr, u"mp3", u"44100", u"96", u"stereo", false, nullptr, nullptr},
        // Neither stream: nothing to write. (nullptr as the codec: no video either.)
        {u"AVI", nullptr, nullptr, u"44100", u"96", u"stereo", false, "Nothing to write: include the video, the audio or both!",
         "没有可写入的内容：请至少输出视频或音频！"},
    };
    std::set<std::string> files{"clip.flv"};
    for (const auto& c : cases) {
        std::string extension = EncodeUtf8(c.exportType);
        for (char& ch : extension)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const std::string output = "out-" + std::to_string(files.size()) + "." + extension;
        SCOPED_TRACE(output);
        Pick(IDC_EXPORT_TYPE, c.exportType);
        if (c.subType)
            Pick(IDC_SUB_TYPE, c.subType);
        // MP3 switches the video off and leaves it so for the next export type.
        if (Enabled(IDC_INCLUDE_VIDEO) && Checked(IDC_INCLUDE_VIDEO) != (c.audioCodec != nullptr))
            Click(IDC_INCLUDE_VIDEO);
        // The sound's lists are in reach only while it is included.
        if (!Checked(IDC_INCLUDE_AUDIO))
            Click(IDC_INCLUDE_AUDIO);
        Pick(IDC_AUDIO_CODEC, c.audioCodec ? c.audioCodec : u"mp3");
        Pick(IDC_SAMPLE_RATE, c.sampleRate);
        Pick(IDC_AUDIO_BIT_RATE, c.bitRate);
        Pick(IDC_CHANNELS, c.channels);
        if (!c.audio)
            Click(IDC_INCLUDE_AUDIO);
        Type(IDC_SOURCE, U16(source));
        Type(IDC_OUTPUT, DecodeUtf8(output));
        if (c.english) {
            std::ofstream(output) << "an earlier conversion";
            files.insert(output);
            for (const Language language : {Language::English, Language::Chinese}) {
                if (g_language != language)
                    Click(IDC_LANGUAGE);
                const Outcome outcome = ConvertAndWait();
                EXPECT_EQ(outcome.messages, QStringList{QString::fromUtf8(language == Language::English ? c.english : c.chinese)});
                EXPECT_FALSE(outcome.windowShown);
                EXPECT_TRUE(outcome.commands.empty());
                EXPECT_EQ(ReadFile(output), "an earlier conversion");
                ExpectOnly(files);
            }
            if (g_language != Language::English)
                Click(IDC_LANGUAGE);
            continue;
        }
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_TRUE(outcome.windowShown);
        EXPECT_TRUE(outcome.outcomeLine.starts_with(u"Done: ")) << EncodeUtf8(outcome.outcomeLine);
        files.insert(output);
        ExpectOnly(files);
        if (!c.audio)
            continue;
        // ffprobe agrees with the read-back.
        const Probe probe = ProbeOutput(output);
        EXPECT_EQ(probe["audio.sample_rate"], EncodeUtf8(c.sampleRate));
        EXPECT_EQ(probe["audio.channels"], std::u16string_view(c.channels) == u"mono" ? "1" : "2");
        const double kbps = std::stod(EncodeUtf8(c.bitRate));
        EXPECT_NEAR(probe.kbps.at("audio"), kbps, kbps * 0.15);
    }

    // Several sources are refused once, for all.
    const fs::path second = Clip("second.flv");
    Click(IDC_INCLUDE_AUDIO);
    Pick(IDC_EXPORT_TYPE, u"MP3");
    Pick(IDC_SAMPLE_RATE, u"11025");
    Pick(IDC_AUDIO_BIT_RATE, u"192");
    Type(IDC_SOURCE, JoinSources({U16(source), U16(second)}));
    Type(IDC_OUTPUT, u"");
    const Outcome outcome = ConvertAndWait();
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("At 11025 Hz the MP3 encoder makes at most 64 kb/s.")});
    EXPECT_FALSE(outcome.windowShown);
    files.insert("second.flv");
    ExpectOnly(files);
}

// A file the encoder wrote otherwise than chosen is put in place, and the outcome says how it
// differs, for one file and for one of several. The stand-in encoder writes its source
// unchanged: a clip of 22050 Hz mono sound and a 160x120 picture.
TEST_F(Convert, AFileUnlikeTheChoiceIsWrittenButSaysHow)
{
    fs::create_directories("plugins");
    fs::create_symlink(RUNNER_CHILD, "plugins/ffmpeg");
    fs::create_directories("out");
    const fs::path a = Clip("in/a.mp3", {"-vn", "-b:a", "64k"});
    const fs::path b = Clip("in/b.mp3", {"-vn", "-b:a", "64k", "-ar", "44100"});
    const fs::path avi = Clip("in/c.avi");
    ClickTab(1);
    const struct {
        const char16_t* exportType;
        const char16_t* sampleRate;  // nullptr: the audio is left out
        const char16_t* bitRate;
        const char16_t* channels;
        const char16_t* frameSize;
        std::vector<fs::path> sources;
        Language language;
        const char16_t* outcomeLine;
    } cases[] = {
        {u"MP3", u"22050", u"64", u"mono", nullptr, {a}, Language::English, nullptr},  // as chosen
        {u"MP3", u"44100", u"64", u"mono", nullptr, {a}, Language::English,
         u"Written, but a.mp3's sound is 22050 Hz, not the 44100 Hz chosen."},
        {u"MP3", u"22050", u"128", u"mono", nullptr, {a}, Language::Chinese,
         u"已写入，但 a.mp3 的音频为 64 kb/s，而非所选的 128 kb/s。"},
        {u"MP3", u"22050", u"64", u"stereo", nullptr, {a}, Language::English,
         u"Written, but a.mp3's sound is mono, not the stereo chosen."},
        {u"AVI", nullptr, nullptr, nullptr, u"320 x 240", {avi}, Language::Chinese,
         u"已写入，但 c.avi 的画面为 160x120，而非所选的 320x240。"},
        {u"MP3", u"22050", u"64", u"mono", nullptr, {a, b}, Language::English,
         u"2 of 2 written. Written, but: b.mp3 (sound is 44100 Hz, not the 22050 Hz chosen)."},
        {u"MP3", u"22050", u"64", u"mono", nullptr, {a, b}, Language::Chinese,
         u"已写入 2 个文件（共 2 个）。已写入，但：b.mp3（音频为 44100 Hz，而非所选的 22050 Hz）。"},
    };
    for (const auto& c : cases) {
        if (g_language != c.language)
            Click(IDC_LANGUAGE);
        Pick(IDC_EXPORT_TYPE, c.exportType);
        if (Enabled(IDC_INCLUDE_VIDEO) && !Checked(IDC_INCLUDE_VIDEO))
            Click(IDC_INCLUDE_VIDEO);
        if (Checked(IDC_INCLUDE_AUDIO) != (c.sampleRate != nullptr))
            Click(IDC_INCLUDE_AUDIO);
        if (c.sampleRate) {
            Pick(IDC_SAMPLE_RATE, c.sampleRate);
            Pick(IDC_AUDIO_BIT_RATE, c.bitRate);
            Pick(IDC_CHANNELS, c.channels);
        }
        if (c.frameSize) {
            Type(IDC_CUSTOM_FRAME_RATE, u"25");
            Type(IDC_CUSTOM_BIT_RATE, u"300");
            Pick(IDC_FRAME_SIZE, c.frameSize);
        }
        std::vector<std::u16string> sources;
        for (const fs::path& source : c.sources)
            sources.push_back(U16(source));
        Type(IDC_SOURCE, JoinSources(sources));
        Type(IDC_OUTPUT, sources.size() > 1 ? u"out" : u"out/" + U16(c.sources.front().filename()));
        const Outcome outcome = ConvertAndWait();
        EXPECT_EQ(outcome.messages, QStringList{});
        ASSERT_TRUE(outcome.windowShown);
        if (c.outcomeLine)
            EXPECT_EQ(outcome.outcomeLine, c.outcomeLine);
        else
            EXPECT_TRUE(outcome.outcomeLine.starts_with(u"Done: ")) << EncodeUtf8(outcome.outcomeLine);
        for (const fs::path& source : c.sources)
            EXPECT_EQ(ReadFile((m_work / "out" / source.filename()).string()), ReadFile(source.string()));
    }
}

TEST_F(Convert, MissingEncodersAreNamedAndTheWindowCloses)
{
    const fs::path avi = Clip("clip.avi");
    const fs::path mp4 = Clip("clip.mp4", {"-c:v", "mpeg4"});
    const std::string path = std::getenv("PATH");
    const struct {
        const char* what;
        fs::path source;
        bool emptyPlugins;
        const char16_t* program;
        std::u16string outcomeLine;
    } cases[] = {
        {"one stage", avi, false, u"plugins\\ffmpeg.exe", u"Failed: step 1 of 1, ffmpeg, could not start."},
        {"two stages, an empty ./plugins", mp4, true, u"plugins\\mencoder.exe",
         u"Failed: step 1 of 2, mencoder, could not start."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.emptyPlugins)
            fs::create_directory("plugins");
        Type(IDC_SOURCE, U16(c.source));
        Type(IDC_OUTPUT, u"out.flv");
        setenv("PATH", "", 1);
        const Outcome outcome = ConvertAndWait();
        setenv("PATH", path.c_str(), 1);
        ASSERT_TRUE(outcome.windowShown);
        const std::vector<std::u16string> commands = Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_TRUE(commands.front().starts_with(c.program));
        EXPECT_EQ(outcome.finalText, u"Unable to start " + commands.front() + u"\n");
        EXPECT_EQ(outcome.outcomeLine, c.outcomeLine);
        fs::remove("plugins");
        ExpectOnly({"clip.avi", "clip.mp4"});
    }
}

// ---------------------------------------------------------------------------------------------
// The "..." buttons
// ---------------------------------------------------------------------------------------------

QPushButton* DialogButton(QFileDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(which) : nullptr;
}

using ConvertFileChoice = ConvertFixture;

TEST_F(ConvertFileChoice, EachButtonOffersTheFilesItsModeTakes)
{
    const QString all = QStringLiteral("所有文件 (*.*)");
    const QString flv = QStringLiteral("flv文件 (*.flv)");
    const struct {
        int tab;
        int button;
        QString filter;
    } cases[] = {
        {0, IDC_BROWSE_SOURCE, all},
        {0, IDC_BROWSE_OUTPUT, flv},
        {1, IDC_BROWSE_SOURCE, flv},
        {1, IDC_BROWSE_OUTPUT, all},
    };
    for (const auto& c : cases) {
        ClickTab(c.tab);
        QStringList filters;
        auto watch = WhenModal(
            [&](QWidget* w) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                ASSERT_NE(dialog, nullptr);
                auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                for (int i = 0; combo && i < combo->count(); ++i)
                    filters << combo->itemText(i);
                QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
            },
            WidgetOf(*dlg), "the file dialog");
        Click(c.button);
        EXPECT_EQ(filters, QStringList{c.filter}) << "tab " << c.tab << ", button " << c.button;
    }
}

// The source's "..." takes several files at once; they stand in the field each in quotes, and
// the output, which each takes from its own source, stays as it was.
TEST_F(ConvertFileChoice, SeveralSourcesAreChosenAtOnce)
{
    for (const char* name : {"one.avi", "two.avi"})
        std::ofstream(m_work / name) << "a clip";
    Type(IDC_OUTPUT, u"");
    auto watch = WhenModal(
        [&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->setDirectory(QString::fromStdString(m_work.string()));
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            edit->setText(QStringLiteral("\"one.avi\" \"two.avi\""));
            QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Open), Qt::LeftButton);
        },
        WidgetOf(*dlg), "the file dialog");
    Click(IDC_BROWSE_SOURCE);
    EXPECT_EQ(Text(IDC_SOURCE), JoinSources({U16(m_work / "one.avi"), U16(m_work / "two.avi")}));
    EXPECT_EQ(Text(IDC_OUTPUT), u"");
}

TEST_F(ConvertFileChoice, CancellingStillNamesTheOutputAfterTheSource)
{
    for (const int button : {IDC_BROWSE_SOURCE, IDC_BROWSE_OUTPUT}) {
        Type(IDC_SOURCE, u"/videos/holiday.mp4");
        Type(IDC_OUTPUT, u"");
        auto watch = WhenModal(
            [&](QWidget* w) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                ASSERT_NE(dialog, nullptr);
                QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
            },
            WidgetOf(*dlg), "the file dialog");
        Click(button);
        EXPECT_EQ(Text(IDC_SOURCE), u"/videos/holiday.mp4") << button;
        EXPECT_EQ(Text(IDC_OUTPUT), u"/videos/holiday.flv") << button;
    }
}

TEST_F(ConvertFileChoice, AChosenNameKeepsItsFolderAndTakesTheExportTypesExtension)
{
    ClickTab(1);
    ASSERT_EQ(Selected(IDC_EXPORT_TYPE), u"AVI");
    const struct {
        int button;
        fs::path chosen;
        int edit;
        fs::path shown;
    } cases[] = {
        {IDC_BROWSE_SOURCE, m_work / "clip.flv", IDC_SOURCE, m_work / "clip.flv"},
        {IDC_BROWSE_OUTPUT, m_work / "movie.mp4", IDC_OUTPUT, m_work / "movie.avi"},
    };
    // Sources are chosen among files that exist.
    std::ofstream(m_work / "clip.flv") << "a clip";
    for (const auto& c : cases) {
        auto watch = WhenModal(
            [&](QWidget* w) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                ASSERT_NE(dialog, nullptr);
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->setText(QString::fromStdString(c.chosen.string()));
                QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::Open), Qt::LeftButton);
            },
            WidgetOf(*dlg), "the file dialog");
        Click(c.button);
        EXPECT_EQ(Text(c.edit), U16(c.shown));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Read before the mount namespace changes: in a chroot, the link then names this program
    // by its path outside the chroot.
    g_self = fs::read_symlink("/proc/self/exe");
    // Before anything can start a thread.
    EnterPrivateMountNamespace();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
