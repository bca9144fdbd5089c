// The dialog framework's progress bar, its announcements for assistive technology and files
// dropped on a dialog, with a small window laid out like the output window under a row of
// file fields.

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "tests/DropHelper.h"
#include "tests/ModalHelper.h"

namespace {

constexpr int kSource = 40, kOutputName = 41, kBrowse = 42, kText = 43, kBar = 44, kOutcome = 45;
constexpr int kNoId = -1;

// The output window's edit and OK button with a bar and an outcome line between them; the
// window is taller by what they take. The file fields sit in a row above.
constexpr DlgControl kControls[] = {
    {kSource, ControlKind::Edit, 7, 7, 100, 12, kTabStop | kAutoHScroll, u"typed"},
    {kOutputName, ControlKind::Edit, 112, 7, 100, 12, kTabStop | kAutoHScroll, u""},
    {kBrowse, ControlKind::PushButton, 217, 7, 20, 12, kTabStop, u"..."},
    {kNoId, ControlKind::Static, 242, 9, 29, 8, 0, u"label"},
    {kText, ControlKind::Edit, 7, 27, 264, 37,
     kTabStop | kMultiline | kReadOnly | kHScroll | kAutoVScroll | kAutoHScroll, u""},
    {kBar, ControlKind::ProgressBar, 7, 68, 264, 8, 0, u""},
    {kOutcome, ControlKind::Static, 7, 80, 264, 8, kHidden | kLive, u""},
    {IDOK, ControlKind::DefPushButton, 114, 92, 50, 14, kTabStop | kHidden, u"OK"},
};

constexpr DlgTemplate kTemplate{
    278, 111, kDsCaption | kDsSysMenu | kDsModalFrame, u"Output", u"MS Shell Dlg", 8, kControls,
};
static_assert(TemplateIsHonoured(kTemplate));

template <class T = QWidget>
T* Widget(CDialog& dlg, int id)
{
    return qobject_cast<T*>(WidgetOf(*dlg.GetDlgItem(id)));
}

void CreateShown(CDialog& dlg)
{
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(dlg)));
}

TEST(DialogProgress, RangePositionAndBusyStateKeepEachOther)
{
    CDialog dlg(kTemplate);
    CreateShown(dlg);
    CProgressCtrl* progress = dlg.GetProgressCtrl(kBar);
    auto* bar = Widget<QProgressBar>(dlg, kBar);
    const auto expectBar = [&](int lower, int upper, int pos, const char* when) {
        int l = -1, u = -1;
        progress->GetRange(l, u);
        EXPECT_EQ(l, lower) << when;
        EXPECT_EQ(u, upper) << when;
        EXPECT_EQ(progress->GetPos(), pos) << when;
        EXPECT_FALSE(progress->IsMarquee()) << when;
        if (lower < upper) {
            EXPECT_EQ(bar->minimum(), lower) << when;
            EXPECT_EQ(bar->maximum(), upper) << when;
            EXPECT_EQ(bar->value(), pos) << when;
        } else {
            EXPECT_NE(bar->maximum(), bar->minimum()) << when << ": an empty bar, not a busy one";
            EXPECT_EQ(bar->value(), bar->minimum()) << when;
        }
    };
    expectBar(0, 100, 0, "at first");
    EXPECT_EQ(bar->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(bar->isTextVisible());

    progress->SetRange(0, 1000);
    progress->SetPos(250);
    expectBar(0, 1000, 250, "in range");
    progress->SetPos(2000);
    expectBar(0, 1000, 1000, "past the end");
    progress->SetPos(-5);
    expectBar(0, 1000, 0, "before the start");
    progress->SetPos(700);
    progress->SetRange(0, 500);
    expectBar(0, 500, 500, "the range shrunk under the position");

    progress->SetMarquee(true);
    EXPECT_TRUE(progress->IsMarquee());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 0) << "the toolkit's busy bar";
    progress->SetPos(300);
    EXPECT_TRUE(progress->IsMarquee()) << "a position does not end the busy state";
    EXPECT_EQ(bar->maximum(), 0);
    progress->SetMarquee(false);
    expectBar(0, 500, 300, "back from busy");

    progress->SetRange(10, 5);
    expectBar(10, 10, 10, "a reversed range");
}

TEST(DialogProgress, ReadersGetTheBarsNameAndValue)
{
    CDialog dlg(kTemplate);
    CreateShown(dlg);
    CProgressCtrl* progress = dlg.GetProgressCtrl(kBar);
    progress->SetAccessibleName(u"Conversion progress");
    progress->SetRange(0, 200);
    progress->SetPos(50);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Widget(dlg, kBar));
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Conversion progress"));
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 50);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 200);

    progress->SetMarquee(true);
    EXPECT_EQ(value->currentValue().toInt(), 0) << "busy: no made-up position";
    EXPECT_EQ(value->maximumValue().toInt(), 0);
}

TEST(DialogProgress, BarBelowTheEditInTheGrownWindowLaysOutAsTheTemplateSays)
{
    CDialog dlg(kTemplate);
    CreateShown(dlg);
    CRect client{0, 0, kTemplate.cx, kTemplate.cy};
    dlg.MapDialogRect(client);
    EXPECT_EQ(WidgetOf(dlg)->size(), QSize(client.Width(), client.Height()));
    for (const DlgControl& c : kControls) {
        if (c.id == kNoId)
            continue;
        CRect expected{c.x, c.y, c.x + c.cx, c.y + c.cy};
        dlg.MapDialogRect(expected);
        const CRect actual = dlg.GetDlgItem(c.id)->GetRectInParent();
        EXPECT_EQ(std::make_pair(actual.left, actual.top), std::make_pair(expected.left, expected.top)) << c.id;
        EXPECT_EQ(std::make_pair(actual.right, actual.bottom), std::make_pair(expected.right, expected.bottom)) << c.id;
    }
    // Edit, bar, outcome line and button stack without touching, and all fit in the window.
    int above = 0;
    for (int id : {kText, kBar, kOutcome, IDOK}) {
        const CRect r = dlg.GetDlgItem(id)->GetRectInParent();
        EXPECT_GT(r.top, above) << id;
        above = r.bottom;
    }
    EXPECT_LE(above, client.bottom);
}

// Collects the accessibility events the framework raises while it lives.
class AccessibleEvents {
public:
    struct Seen {
        QAccessible::Event type;
        QObject* object;
        QString name;
    };

    AccessibleEvents()
    {
        s_seen = &seen;
        SetAccessibleEventObserver(&Handle);
    }
    ~AccessibleEvents()
    {
        SetAccessibleEventObserver(nullptr);
        s_seen = nullptr;
    }
    AccessibleEvents(const AccessibleEvents&) = delete;
    AccessibleEvents& operator=(const AccessibleEvents&) = delete;

    std::vector<Seen> Of(QObject* object) const
    {
        std::vector<Seen> result;
        for (const Seen& s : seen)
            if (s.object == object)
                result.push_back(s);
        return result;
    }

    std::vector<Seen> seen;

private:
    static void Handle(QAccessibleEvent* event)
    {
        // The name as a reader asks for it when the event arrives.
        QAccessibleInterface* iface = event->accessibleInterface();
        if (s_seen)
            s_seen->push_back({event->type(), event->object(), iface ? iface->text(QAccessible::Name) : QString()});
    }
    static inline std::vector<Seen>* s_seen = nullptr;
};

TEST(DialogAnnouncement, TheOutcomeLineIsANotificationAnnouncedInItsCurrentText)
{
    CDialog dlg(kTemplate);
    CreateShown(dlg);
    CWnd* outcome = dlg.GetDlgItem(kOutcome);
    QWidget* line = Widget(dlg, kOutcome);
    outcome->SetWindowText(u"Written: clip.avi (1.2 MB)");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(line);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Notification) << "readers speak a notification as it shows";
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Written: clip.avi (1.2 MB)"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Widget(dlg, kNoId))->role(), QAccessible::StaticText)
        << "a plain label stays a label";

    const auto types = [](const std::vector<AccessibleEvents::Seen>& seen) {
        std::vector<QAccessible::Event> result;
        for (const auto& s : seen)
            result.push_back(s.type);
        return result;
    };
    AccessibleEvents events;
    outcome->Announce();
    EXPECT_EQ(types(events.Of(line)), (std::vector{QAccessible::NameChanged, QAccessible::Alert}))
        << "hidden, it claims no showing";

    outcome->ShowWindow(SW_SHOW);
    events.seen.clear();
    outcome->Announce();
    const std::vector<AccessibleEvents::Seen> seen = events.Of(line);
    EXPECT_EQ(types(seen), (std::vector{QAccessible::NameChanged, QAccessible::Alert, QAccessible::ObjectShow}));
    for (const auto& s : seen)
        EXPECT_EQ(s.name, QStringLiteral("Written: clip.avi (1.2 MB)"));
}

// A dialog that takes dropped files and notes each drop.
class DropDlg : public CDialog {
public:
    DropDlg() : CDialog(kTemplate) {}

    struct Drop {
        int id;
        std::vector<std::u16string> paths;
    };
    std::vector<Drop> drops;

protected:
    void OnDropFiles(int controlId, const std::vector<std::u16string>& paths) override
    {
        drops.push_back({controlId, paths});
    }
};

TEST(DialogDrop, TheFirstControlUnderTheDropGetsTheFilesInTheirOrder)
{
    DropDlg dlg;
    dlg.DragAcceptFiles(true);  // before the window: it holds for the window to come
    CreateShown(dlg);
    const auto files = Urls({QStringLiteral("file:///tmp/a%20b/%E4%B8%AD%E6%96%87.avi"),
                             QStringLiteral("file:///tmp/second.flv"), QStringLiteral("file://localhost/tmp/third.mp4")});
    const std::u16string first = u"/tmp/a b/中文.avi";
    const struct {
        QPoint pos;
        int id;
        const char* what;
    } cases[] = {
        {CentreOf(dlg, kSource), kSource, "the source edit"},
        {CentreOf(dlg, kOutputName), kOutputName, "the output edit"},
        {CentreOf(dlg, kText), kText, "a multi-line edit, through its viewport"},
        {CentreOf(dlg, kBrowse), kBrowse, "a button"},
        {CentreOf(dlg, kBar), kBar, "the progress bar"},
        {CentreOf(dlg, kNoId), 0, "a label without an id"},
        {QPoint(2, WidgetOf(dlg)->height() - 2), 0, "the background"},
    };
    for (const auto& c : cases) {
        dlg.drops.clear();
        const DragOutcome outcome = DragAndDrop(dlg, c.pos, *files);
        EXPECT_TRUE(outcome.entered) << c.what;
        EXPECT_TRUE(outcome.dropped) << c.what;
        EXPECT_EQ(outcome.action, Qt::CopyAction) << c.what << ": never a move, which deletes the file";
        EXPECT_TRUE(dlg.drops.empty()) << c.what << ": not during the drop";
        WaitFor([&] { return !dlg.drops.empty(); }, c.what);
        ASSERT_EQ(dlg.drops.size(), 1u) << c.what;
        EXPECT_EQ(dlg.drops[0].id, c.id) << c.what;
        ASSERT_EQ(dlg.drops[0].paths.size(), 3u) << c.what;
        EXPECT_EQ(dlg.drops[0].paths[0], first) << c.what;
        EXPECT_EQ(dlg.drops[0].paths[1], u"/tmp/second.flv") << c.what;
        EXPECT_EQ(dlg.drops[0].paths[2], u"/tmp/third.mp4") << c.what;
    }
    EXPECT_EQ(dlg.GetDlgItem(kSource)->GetWindowText(), u"typed") << "the edit pasted nothing";
    EXPECT_EQ(dlg.GetDlgItem(kText)->GetWindowText(), u"");

    // Straight at an edit, past the window's choice of target: the edit still takes nothing.
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Widget(dlg, kSource), &enter);
    QDropEvent drop(QPointF(3, 3), Qt::CopyAction, files.get(), Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Widget(dlg, kSource), &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg.GetDlgItem(kSource)->GetWindowText(), u"typed");
}

TEST(DialogDrop, DragsWithoutALocalFileAreRefusedAtTheDoor)
{
    DropDlg dlg;
    CreateShown(dlg);
    dlg.DragAcceptFiles(true);
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("/tmp/typed.avi"));
    const struct {
        std::unique_ptr<QMimeData> data;
        Qt::DropActions offered;
        const char* what;
    } refused[] = {
        {Urls({QStringLiteral("https://example.org/clip.avi")}), Qt::CopyAction, "a web address"},
        {Urls({QStringLiteral("file://elsewhere.example/tmp/clip.avi")}), Qt::CopyAction, "another machine's file"},
        {std::move(text), Qt::CopyAction, "plain text"},
        {Urls({QStringLiteral("file:///tmp/clip.avi")}), Qt::MoveAction, "a move, which would delete the file"},
    };
    for (const auto& r : refused) {
        const DragOutcome outcome = DragAndDrop(dlg, CentreOf(dlg, kSource), *r.data, r.offered);
        EXPECT_FALSE(outcome.entered) << r.what;
    }
    // Among other things, the local files still count, in their order.
    const auto mixed = Urls({QStringLiteral("https://example.org/a.avi"), QStringLiteral("file:///tmp/b.avi"),
                             QStringLiteral("file:///tmp/c.avi")});
    EXPECT_TRUE(DragAndDrop(dlg, CentreOf(dlg, kSource), *mixed).dropped);
    WaitFor([&] { return !dlg.drops.empty(); }, "the local files of a mixed drag");
    ASSERT_EQ(dlg.drops.size(), 1u);
    EXPECT_EQ(dlg.drops[0].paths, (std::vector<std::u16string>{u"/tmp/b.avi", u"/tmp/c.avi"}));
}

TEST(DialogDrop, NoDropWhenNotAcceptedDisabledOrBehindAModalWindow)
{
    DropDlg dlg;
    CreateShown(dlg);
    const auto files = Urls({QStringLiteral("file:///tmp/clip.avi")});
    const QPoint at = CentreOf(dlg, kSource);
    EXPECT_FALSE(DragAndDrop(dlg, at, *files).entered) << "files are not accepted until asked for";

    dlg.DragAcceptFiles(true);
    dlg.EnableWindow(false);
    EXPECT_FALSE(DragAndDrop(dlg, at, *files).entered) << "a disabled dialog";
    dlg.EnableWindow(true);
    const DragOutcome disabledMidway =
        DragAndDrop(dlg, at, *files, kFileManagerActions, [&] { dlg.EnableWindow(false); });
    EXPECT_FALSE(disabledMidway.dropped) << "a dialog disabled while the drag was over it";
    dlg.EnableWindow(true);

    {
        // The toolkit itself would deliver a drag here; the window behind a modal box refuses.
        DragOutcome behindModal;
        auto watch = WhenModal([&](QWidget* box) {
            behindModal = DragAndDrop(dlg, at, *files);
            qobject_cast<QMessageBox*>(box)->accept();
        });
        dlg.MessageBox(u"in the way");
        EXPECT_FALSE(behindModal.entered) << "behind a modal window";
    }
    // The modal window itself takes drops.
    {
        DropDlg modal;
        modal.DragAcceptFiles(true);
        DragOutcome onModal;
        auto watch = WhenModal([&](QWidget*) {
            onModal = DragAndDrop(modal, CentreOf(modal, kSource), *files);
            WaitFor([&] { return !modal.drops.empty(); }, "the drop on the modal window");
            modal.EndDialog(IDOK);
        });
        modal.DoModal();
        EXPECT_TRUE(onModal.dropped);
        EXPECT_EQ(modal.drops.size(), 1u);
    }

    dlg.DragAcceptFiles(false);
    EXPECT_FALSE(DragAndDrop(dlg, at, *files).entered) << "switched off again";
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.drops.empty());

    // A drop taken just before its window went is not handed to the dialog afterwards.
    dlg.DragAcceptFiles(true);
    EXPECT_TRUE(DragAndDrop(dlg, at, *files).dropped);
    dlg.DestroyWindow();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.drops.empty());
}

}  // namespace
