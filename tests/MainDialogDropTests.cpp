// Files dropped on the main dialog: where they land decides whether they name the sources or
// the output, and the output then follows the export type as after the "..." buttons.

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/DropHelper.h"
#include "tests/MainDialogFixture.h"
#include "tests/ModalHelper.h"

using MainDialogDrop = MainDialogFixture;

TEST_F(MainDialogDrop, AFileNamesTheSourceOrTheOutputByWhereItLands)
{
    StartIn("C");
    const auto talk = Urls({QStringLiteral("file:///media/my%20talk.mp4")});
    const auto several = Urls({QStringLiteral("file:///media/first.avi"), QStringLiteral("file:///media/second.avi")});
    const QPoint background(2, WidgetOf(*dlg)->height() - 2);
    const struct {
        const char* what;
        int tab;
        int target;  // the control it is dropped on; 0 the dialog's background
        const QMimeData* data;
        const char16_t* sourceBefore;
        const char16_t* outputBefore;
        const char16_t* source;
        const char16_t* output;
    } cases[] = {
        {"on the source edit", 0, IDC_SOURCE, talk.get(), u"a.avi", u"", u"/media/my talk.mp4", u"/media/my talk.flv"},
        {"on the source edit, with an output named", 0, IDC_SOURCE, talk.get(), u"a.avi", u"/out/mine.flv",
         u"/media/my talk.mp4", u"/out/mine.flv"},
        {"on the output edit", 1, IDC_OUTPUT, talk.get(), u"/in/a.flv", u"/in/a.avi", u"/in/a.flv",
         u"/media/my talk.avi"},
        {"on the output's label", 0, IDC_OUTPUT_LABEL, talk.get(), u"", u"", u"/media/my talk.mp4", u"/media/my talk.flv"},
        {"on a list", 1, IDC_EXPORT_TYPE, talk.get(), u"", u"", u"/media/my talk.mp4", u"/media/my talk.avi"},
        {"on the background", 0, 0, talk.get(), u"x.avi", u"", u"/media/my talk.mp4", u"/media/my talk.flv"},
        // Several become the sources, in order; the output field, empty, stays so: each
        // output will go beside its source.
        {"several files", 0, IDC_SOURCE, several.get(), u"", u"", u"\"/media/first.avi\" \"/media/second.avi\"", u""},
        {"several files on the output", 0, IDC_OUTPUT, several.get(), u"a.avi", u"", u"a.avi", u"/media/first.flv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTab(c.tab);
        Type(IDC_SOURCE, c.sourceBefore);
        Type(IDC_OUTPUT, c.outputBefore);
        const QPoint at = c.target ? CentreOf(*dlg, c.target) : background;
        const DragOutcome outcome = DragAndDrop(*dlg, at, *c.data);
        ASSERT_TRUE(outcome.dropped);
        EXPECT_EQ(outcome.action, Qt::CopyAction);
        ASSERT_TRUE(WaitFor([&] { return Text(IDC_SOURCE) == c.source && Text(IDC_OUTPUT) == c.output; },
                            "the dropped names"))
            << ToQString(Text(IDC_SOURCE)).toStdString() << " / " << ToQString(Text(IDC_OUTPUT)).toStdString();
    }

    // What is not a local file names nothing.
    Type(IDC_SOURCE, u"kept.avi");
    Type(IDC_OUTPUT, u"");
    const auto web = Urls({QStringLiteral("https://example.org/clip.avi")});
    EXPECT_FALSE(DragAndDrop(*dlg, CentreOf(*dlg, IDC_SOURCE), *web).entered);
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(IDC_SOURCE), u"kept.avi");
    EXPECT_EQ(Text(IDC_OUTPUT), u"");
}

// Files named on the command line are taken as a drop is, once each is a readable file; the
// rest are named in one message, in the dialog's language.
TEST_F(MainDialogDrop, FilesFromTheCommandLineAreTakenAsADropAndTheUnreadableNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::u16string root = dir.path().toStdU16String() + u"/";
    for (const char* name : {"a clip.mp4", "b.avi"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const std::u16string clip = root + u"a clip.mp4", other = root + u"b.avi";
    const std::u16string missing = root + u"gone.mp4", folder = root + u"folder";

    const struct {
        const char* what;
        const char* locale;
        std::vector<std::u16string> files;
        std::u16string source;
        std::u16string output;
        std::u16string message;  // empty: none comes
    } cases[] = {
        {"one file", "C", {clip}, clip, root + u"a clip.flv", u""},
        {"several", "C", {clip, other}, u"\"" + clip + u"\" \"" + other + u"\"", u"", u""},
        {"a missing file and a folder beside one", "C", {missing, clip, folder}, clip, root + u"a clip.flv",
         u"Not opened, not a readable file: " + missing + u", " + folder},
        {"nothing readable, in Chinese", "zh_CN.UTF-8", {missing}, u"", u"", u"未打开，不是可读取的文件：" + missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartIn(c.locale);
        QString message;
        {
            // The message is modal: it is answered from inside its own run.
            WindowWatch watch(
                "the message naming what was not opened", [] { return QApplication::activeModalWidget(); },
                [&](QWidget* box) {
                    message = qobject_cast<QMessageBox*>(box)->text();
                    qobject_cast<QMessageBox*>(box)->accept();
                },
                !c.message.empty());
            dlg->OpenFiles(c.files);
        }
        EXPECT_EQ(Text(IDC_SOURCE), c.source);
        EXPECT_EQ(Text(IDC_OUTPUT), c.output);
        EXPECT_EQ(message.toStdU16String(), c.message);
        TearDown();
    }
}
