// The dialog framework on its own, with a small template: notifications, commands, modal
// runs and the window's life, owners, data exchange, layout, the window menu, control
// lookups and calls from other threads.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QWindow>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/dialog/WinApp.h"
#include "tests/LogCapture.h"
#include "tests/ModalHelper.h"

namespace {

// The ids leave gaps (14..19, 25..29), as real templates do.
constexpr int kLabel = 10, kCount = 11, kName = 12, kBox = 13, kList = 20, kFirstButton = 21,
              kSecondButton = 22, kHiddenButton = 23, kOutput = 24, kTabs = 30;

constexpr unsigned kOutputStyle = kTabStop | kGroup | kMultiline | kReadOnly | kAutoVScroll | kAutoHScroll | kHScroll;

constexpr DlgControl kControls[] = {
    {kLabel, ControlKind::Static, 5, 5, 40, 8, kGroup | kRightAlign, u"Count"},
    {kCount, ControlKind::Edit, 50, 4, 40, 12, kTabStop | kNumber | kAutoHScroll, u""},
    {kName, ControlKind::Edit, 50, 20, 40, 12, kTabStop | kAutoHScroll, u""},
    {kBox, ControlKind::AutoCheckBox, 5, 36, 60, 10, kTabStop | kGroup, u"Box"},
    {kList, ControlKind::DropDownList, 5, 50, 60, 60, kTabStop | kGroup, u""},
    {kFirstButton, ControlKind::PushButton, 100, 4, 30, 14, kTabStop | kGroup, u"A"},
    {kSecondButton, ControlKind::PushButton, 100, 20, 30, 14, kTabStop | kDisabled, u"B"},
    {kHiddenButton, ControlKind::PushButton, 100, 36, 30, 14, kTabStop | kHidden, u"C"},
    {IDOK, ControlKind::DefPushButton, 100, 70, 30, 14, kTabStop, u"OK"},
    {IDCANCEL, ControlKind::PushButton, 135, 70, 30, 14, kTabStop, u"Cancel"},
    {kOutput, ControlKind::Edit, 135, 4, 30, 40, kOutputStyle, u""},
    {kTabs, ControlKind::Tab, 0, 0, 170, 90, kGroup, u""},
};

constexpr DlgTemplate kTemplate{
    170, 90, kDsCaption | kDsSysMenu | kDsModalFrame, u"Test", u"MS Shell Dlg", 8, kControls,
};
static_assert(TemplateIsHonoured(kTemplate));

class TestDlg : public CDialog {
public:
    explicit TestDlg(CWnd* pParent = nullptr, const DlgTemplate& tmpl = kTemplate) : CDialog(tmpl, pParent) {}

    std::vector<std::pair<const char*, int>> calls;
    std::uint32_t count = 7;
    std::u16string name = u"abc";
    int box = 1;
    std::vector<unsigned> sysCommands;
    int inits = 0;
    int endInInit = 0;  // non-zero: OnInitDialog ends the dialog with it

    void OnSysCommand(unsigned nID, std::intptr_t lParam) override
    {
        sysCommands.push_back(nID);
        CDialog::OnSysCommand(nID, lParam);
    }

protected:
    bool OnInitDialog() override
    {
        ++inits;
        CDialog::OnInitDialog();
        if (endInInit)
            EndDialog(endInInit);
        return true;
    }

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, kCount, count);
        DDX_Text(pDX, kName, name);
        DDX_Check(pDX, kBox, box);
    }

    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map{
            &CDialog::GetMessageMap(),
            {
                OnNotify(Notify::Clicked, kBox, &TestDlg::OnBox),
                OnNotify(Notify::SelChange, kList, &TestDlg::OnList),
                OnNotify(Notify::TabSelChange, kTabs, &TestDlg::OnTab),
                OnNotifyRange(Notify::Clicked, kFirstButton, kSecondButton, &TestDlg::OnButton),
            },
        };
        return map;
    }

private:
    void OnBox() { calls.emplace_back("box", 0); }
    void OnList() { calls.emplace_back("list", 0); }
    void OnTab() { calls.emplace_back("tab", 0); }
    void OnButton(unsigned id) { calls.emplace_back("button", static_cast<int>(id)); }
};

// A window as the user meets it: made, initialised and on screen.
void CreateShown(CDialog& dlg)
{
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
}

template <class T = QWidget>
T* Widget(CDialog& dlg, int id)
{
    return qobject_cast<T*>(WidgetOf(*dlg.GetDlgItem(id)));
}

TEST(DialogFramework, OnlyUserActionsRaiseNotifications)
{
    TestDlg dlg;
    CreateShown(dlg);
    dlg.GetButton(kBox)->SetCheck(BST_UNCHECKED);
    dlg.GetComboBox(kList)->AddString(u"one");
    dlg.GetComboBox(kList)->AddString(u"two");
    dlg.GetComboBox(kList)->SetCurSel(1);
    dlg.GetTabCtrl(kTabs)->InsertItem(0, u"first");
    dlg.GetTabCtrl(kTabs)->InsertItem(1, u"second");
    dlg.GetTabCtrl(kTabs)->SetCurSel(1);
    dlg.GetDlgItem(kName)->SetWindowText(u"typed by code");
    EXPECT_TRUE(dlg.calls.empty());

    QTest::mouseClick(Widget(dlg, kBox), Qt::LeftButton);
    EXPECT_EQ(dlg.GetButton(kBox)->GetCheck(), BST_CHECKED);
    auto* combo = Widget<QComboBox>(dlg, kList);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(dlg.GetComboBox(kList)->GetCurSel(), 0);
    Widget<QTabWidget>(dlg, kTabs)->tabBar()->setCurrentIndex(0);  // as a click on the tab does

    const std::vector<std::pair<const char*, int>> expected = {{"box", 0}, {"list", 0}, {"tab", 0}};
    ASSERT_EQ(dlg.calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_STREQ(dlg.calls[i].first, expected[i].first);
}

TEST(DialogFramework, RangeEntryPassesTheControlId)
{
    TestDlg dlg;
    CreateShown(dlg);
    QTest::mouseClick(Widget(dlg, kFirstButton), Qt::LeftButton);
    dlg.OnCommand(Notify::Clicked, kSecondButton);
    ASSERT_EQ(dlg.calls.size(), 2u);
    EXPECT_EQ(dlg.calls[0].second, kFirstButton);
    EXPECT_EQ(dlg.calls[1].second, kSecondButton);
    // A disabled button cannot be clicked by the user.
    QTest::mouseClick(Widget(dlg, kSecondButton), Qt::LeftButton);
    EXPECT_EQ(dlg.calls.size(), 2u);
}

TEST(DialogFramework, EscCancelAndCloseEndTheModalRunAsCommandTwo)
{
    {
        TestDlg dlg;
        auto watch = WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        TestDlg dlg;
        auto watch = WhenModal([&](QWidget*) { QTest::mouseClick(Widget(dlg, IDCANCEL), Qt::LeftButton); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        TestDlg dlg;
        auto watch = WhenModal([](QWidget* w) { w->close(); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        ASSERT_EQ(dlg.sysCommands.size(), 1u);
        EXPECT_EQ(dlg.sysCommands[0], SC_CLOSE);
    }
}

TEST(DialogFramework, EnterRunsTheDefaultButtonWhichAcceptsTheData)
{
    TestDlg dlg;
    auto watch = WhenModal([&](QWidget*) {
        dlg.GetDlgItem(kCount)->SetWindowText(u"42");
        auto* edit = Widget(dlg, kName);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.count, 42u);
}

TEST(DialogFramework, ModalRunStartsWithMembersInControls)
{
    TestDlg dlg;
    std::u16string shownCount, shownName;
    int shownBox = -1;
    auto watch = WhenModal([&](QWidget*) {
        shownCount = dlg.GetDlgItem(kCount)->GetWindowText();
        shownName = dlg.GetDlgItem(kName)->GetWindowText();
        shownBox = dlg.GetButton(kBox)->GetCheck();
        dlg.EndDialog(99);
    });
    EXPECT_EQ(dlg.DoModal(), 99);
    EXPECT_EQ(shownCount, u"7");
    EXPECT_EQ(shownName, u"abc");
    EXPECT_EQ(shownBox, BST_CHECKED);
}

TEST(DialogFramework, RefusalShowsTheMessageFocusesTheControlAndStops)
{
    TestDlg dlg;
    CreateShown(dlg);
    dlg.GetDlgItem(kCount)->SetWindowText(u"");
    dlg.GetDlgItem(kName)->SetWindowText(u"changed");
    dlg.GetButton(kBox)->SetCheck(BST_UNCHECKED);

    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto watch = WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->accept();
    });
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(text, QStringLiteral("Please enter a positive integer."));
    EXPECT_EQ(caption, ToQString(AfxGetAppName()));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(WidgetOf(dlg)->focusWidget(), Widget(dlg, kCount));
    EXPECT_EQ(dlg.count, 7u);
    EXPECT_EQ(dlg.name, u"abc");
    EXPECT_EQ(dlg.box, 1);
}

TEST(DialogFramework, CheckValuesOutsideTheThreeStatesWriteUnticked)
{
    TestDlg dlg;
    CreateShown(dlg);
    for (int value : {2, 3, -1}) {
        dlg.box = value;
        dlg.UpdateData(false);
        EXPECT_EQ(dlg.GetButton(kBox)->GetCheck(), value == 2 ? BST_INDETERMINATE : BST_UNCHECKED);
    }
}

TEST(DialogFramework, ControlsFollowTheTemplateInDialogUnits)
{
    TestDlg dlg;
    CreateShown(dlg);
    QFontMetrics fm(WidgetOf(dlg)->font());
    const int baseX = (fm.horizontalAdvance(QStringLiteral(
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int baseY = fm.height();
    EXPECT_EQ(WidgetOf(dlg)->width(), (170 * baseX + 2) / 4);
    EXPECT_EQ(WidgetOf(dlg)->height(), (90 * baseY + 4) / 8);

    CRect r{50, 20, 90, 32};
    dlg.MapDialogRect(r);
    const CRect actual = dlg.GetDlgItem(kName)->GetRectInParent();
    EXPECT_EQ(actual.left, r.left);
    EXPECT_EQ(actual.top, r.top);
    EXPECT_EQ(actual.right, r.right);
    EXPECT_EQ(actual.bottom, r.bottom);
    // The drop-down list's template height takes in its open list; closed it is much lower.
    EXPECT_LT(dlg.GetDlgItem(kList)->GetRectInParent().Height(), fm.height() * 3);
}

TEST(DialogFramework, CreationOrderGivesZOrderTabOrderAndStyles)
{
    TestDlg dlg;
    CreateShown(dlg);
    // The first control lies on top, the tab control created last lies behind all.
    const QObjectList children = WidgetOf(dlg)->children();
    std::vector<QWidget*> stack;  // bottom first
    for (QObject* child : children)
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->objectName().isEmpty())
            stack.push_back(w);
    ASSERT_GE(stack.size(), 2u);
    EXPECT_EQ(stack.front(), Widget(dlg, kTabs));
    EXPECT_EQ(stack.back(), Widget(dlg, kLabel));

    EXPECT_EQ(Widget(dlg, kCount)->nextInFocusChain(), Widget(dlg, kName));
    EXPECT_EQ(Widget(dlg, kLabel)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Widget(dlg, kTabs)->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_TRUE(Widget<QLabel>(dlg, kLabel)->alignment() & Qt::AlignRight);
    EXPECT_FALSE(dlg.GetDlgItem(kSecondButton)->IsWindowEnabled());
    EXPECT_TRUE(Widget<QPushButton>(dlg, IDOK)->isDefault());

    auto* digits = Widget<QLineEdit>(dlg, kCount);
    digits->setFocus();
    digits->clear();
    QTest::keyClicks(digits, QStringLiteral("1a-2"));
    EXPECT_EQ(digits->text(), QStringLiteral("12"));
}

TEST(DialogFramework, WindowMenuReachesOnSysCommand)
{
    TestDlg dlg;
    CreateShown(dlg);
    dlg.GetSystemMenu(false)->AppendMenu(MF_SEPARATOR);
    dlg.GetSystemMenu(false)->AppendMenu(MF_STRING, 0x20, u"Item");

    QStringList seen;
    auto watch = WhenPopup([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), WidgetOf(dlg)->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(WidgetOf(dlg), &event);

    EXPECT_EQ(seen, (QStringList{QStringLiteral("-"), QStringLiteral("Item")}));
    ASSERT_EQ(dlg.sysCommands.size(), 1u);
    EXPECT_EQ(dlg.sysCommands[0], 0x20u);
}

TEST(DialogFramework, KeyboardOpensTheWindowMenu)
{
    TestDlg dlg;
    CreateShown(dlg);
    dlg.GetSystemMenu(false)->AppendMenu(MF_STRING, 0x30, u"Item");
    WidgetOf(dlg)->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOf(dlg)));
    for (auto [key, modifiers] : {std::pair{Qt::Key_F10, Qt::ShiftModifier},
                                  std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        auto watch = WhenPopup([](QMenu* menu) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::keyClick(Widget(dlg, kFirstButton), key, modifiers);
    }
    EXPECT_EQ(dlg.sysCommands, (std::vector<unsigned>{0x30, 0x30}));
}

TEST(DialogFramework, LabelNamesItsControlsAndFollowsItsTextButRelatesOnlyToItsList)
{
    TestDlg dlg;
    CreateShown(dlg);
    // The edit is named after the list, as a custom field beside its list would be; it must
    // not take the list's label relation.
    dlg.SetLabel(kList, kLabel);
    dlg.SetLabel(kCount, kLabel);
    EXPECT_EQ(Widget(dlg, kCount)->accessibleName(), QStringLiteral("Count"));
    EXPECT_EQ(Widget<QLabel>(dlg, kLabel)->buddy(), Widget(dlg, kList));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Widget(dlg, kList));
    const auto relations = list->relations(QAccessible::Label);
    ASSERT_EQ(relations.size(), 1);
    EXPECT_EQ(relations[0].first->object(), Widget(dlg, kLabel));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(Widget(dlg, kCount))->relations(QAccessible::Label).isEmpty());

    dlg.GetDlgItem(kLabel)->SetWindowText(u"  Number");
    EXPECT_EQ(Widget(dlg, kCount)->accessibleName(), QStringLiteral("Number"));
    EXPECT_EQ(relations[0].first->text(QAccessible::Name).trimmed(), QStringLiteral("Number"));

    dlg.GetDlgItem(kName)->SetAccessibleName(u"Own name");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Widget(dlg, kName))->text(QAccessible::Name),
              QStringLiteral("Own name"));
}

TEST(DialogFramework, EveryModalRunStartsAFreshWindowFromTheTemplate)
{
    TestDlg dlg;
    EXPECT_FALSE(dlg.HasWindow());
    for (int run = 0; run < 2; ++run) {
        bool hadWindow = false, hiddenAtStart = false;
        std::u16string output = u"unread";
        size_t menuItems = 99;
        auto watch = WhenModal(
            [&](QWidget*) {
                hadWindow = dlg.HasWindow();
                hiddenAtStart = !dlg.GetDlgItem(kHiddenButton)->IsWindowVisible();
                output = dlg.GetEdit(kOutput)->GetWindowText();
                menuItems = dlg.GetSystemMenu(false)->Items().size();
                // What this run leaves behind must not reach the next one.
                dlg.GetDlgItem(kHiddenButton)->ShowWindow(SW_SHOW);
                dlg.GetEdit(kOutput)->SetWindowText(u"left over");
                dlg.GetSystemMenu(false)->AppendMenu(MF_STRING, 0x40, u"Item");
                dlg.EndDialog(40 + run);
            },
            nullptr, "modal run " + std::to_string(run));
        EXPECT_EQ(dlg.DoModal(), 40 + run);
        EXPECT_TRUE(hadWindow);
        EXPECT_TRUE(hiddenAtStart) << "run " << run;
        EXPECT_EQ(output, u"") << "run " << run;
        EXPECT_EQ(menuItems, 0u) << "run " << run;
        EXPECT_FALSE(dlg.HasWindow());
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }
    EXPECT_EQ(dlg.inits, 2);
}

TEST(DialogFramework, EndDialogAndDoModalOutsideARunLeaveNothingBehind)
{
    {
        // Ended from OnInitDialog: the run ends before its window is ever shown.
        TestDlg dlg;
        dlg.endInInit = 7;
        auto none = FailIfModal("a window whose run ended in its initialisation");
        EXPECT_EQ(dlg.DoModal(), 7);
        EXPECT_FALSE(dlg.HasWindow());
    }
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(dlg.HasWindow());
    EXPECT_FALSE(dlg.IsWindowVisible()) << "Create shows nothing";
    EXPECT_FALSE(dlg.Create()) << "a second window";
    dlg.ShowWindow(SW_SHOW);
    dlg.EndDialog(5);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.HasWindow());
    {
        LogCapture log;
        auto none = FailIfModal("a modal run of a window left by Create");
        EXPECT_EQ(dlg.DoModal(), -1);
        EXPECT_TRUE(log.Contains(QStringLiteral("DoModal refused")));
    }
    dlg.DestroyWindow();
    EXPECT_FALSE(dlg.HasWindow());
    // The EndDialog above left no result or end behind for this run.
    auto watch = WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.inits, 2);
}

// The output window's kind: no caption, owned by whoever shows it.
constexpr DlgControl kPopupControls[] = {
    {IDOK, ControlKind::DefPushButton, 10, 20, 40, 14, kTabStop | kHidden, u"OK"},
};
constexpr DlgTemplate kPopupTemplate{
    100, 40, kDsSysMenu | kDsModalFrame, u"", u"MS Shell Dlg", 8, kPopupControls,
};

TEST(DialogFramework, TheOwnerIsTheToolkitParentOfAWindowThatStaysAWindow)
{
    TestDlg owner;
    CreateShown(owner);
    QWidget* ownerWindow = WidgetOf(owner);
    {
        CDialog popup(kPopupTemplate, &owner);
        CreateShown(popup);
        QWidget* w = WidgetOf(popup);
        EXPECT_EQ(w->parentWidget(), ownerWindow);
        EXPECT_TRUE(w->isWindow());
        EXPECT_EQ(w->windowType(), Qt::Dialog);
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        ASSERT_NE(w->windowHandle(), nullptr);
        EXPECT_EQ(w->windowHandle()->transientParent(), ownerWindow->windowHandle());
    }
    {
        // Without one given, the application's main window owns it.
        CWinApp app(u"test");
        app.m_pMainWnd = &owner;
        CDialog popup(kPopupTemplate);
        QWidget* parent = nullptr;
        auto watch = WhenModal([&](QWidget* w) {
            parent = w->parentWidget();
            popup.EndDialog(IDOK);
        });
        EXPECT_EQ(popup.DoModal(), IDOK);
        EXPECT_EQ(parent, ownerWindow);
        app.m_pMainWnd = nullptr;
    }
    {
        // The owner's window takes the owned one with it; the owned dialog knows.
        CDialog popup(kPopupTemplate, &owner);
        ASSERT_TRUE(popup.Create());
        owner.DestroyWindow();
        EXPECT_FALSE(popup.HasWindow());
        EXPECT_TRUE(popup.Create()) << "a fresh window after the old one went";
    }
}

TEST(DialogFramework, PostedCallsRunLaterOnTheGuiThreadAndNeverAfterTheDialog)
{
    std::vector<int> ran;
    std::thread::id ranOn;
    {
        TestDlg dlg;
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i)
                dlg.PostToGuiThread([&ran, &ranOn, i] {
                    ran.push_back(i);
                    ranOn = std::this_thread::get_id();
                });
        });
        worker.join();
        dlg.PostToGuiThread([&] { ran.push_back(3); });
        EXPECT_TRUE(ran.empty()) << "never at once, not even from the GUI thread";
        WaitFor([&] { return ran.size() == 4; }, "the posted calls");
        EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    }
    // Posted, then the dialog and its controls go before the GUI thread gets to the calls.
    bool ranAfter = false;
    {
        auto dlg = std::make_unique<TestDlg>();
        CreateShown(*dlg);
        std::thread worker([&] { dlg->PostToGuiThread([&] { ranAfter = true; }); });
        worker.join();
        dlg.reset();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ranAfter);
}

TEST(DialogFramework, ADelayedCallWaitsItsTimeOnTheGuiThreadAndGoesWithTheDialog)
{
    {
        TestDlg dlg;
        QElapsedTimer clock;
        clock.start();
        qint64 ranAfter = -1;
        std::thread::id ranOn;
        std::thread worker([&] {
            dlg.PostToGuiThread(
                [&] {
                    ranAfter = clock.elapsed();
                    ranOn = std::this_thread::get_id();
                },
                50);
        });
        worker.join();
        WaitFor([&] { return ranAfter >= 0; }, "the delayed call");
        EXPECT_GE(ranAfter, 50);
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    }
    // Its time is running when the dialog goes.
    bool ranAfter = false;
    {
        auto dlg = std::make_unique<TestDlg>();
        dlg->PostToGuiThread([&] { ranAfter = true; }, 20);
        QCoreApplication::processEvents();
        dlg.reset();
    }
    QTest::qWait(60);
    EXPECT_FALSE(ranAfter);
}

TEST(DialogFramework, AskingForAMissingControlOrAnotherKindIsLoudButHarmless)
{
    TestDlg dlg;
    CreateShown(dlg);
#ifdef NDEBUG
    LogCapture log;
    dlg.GetComboBox(kName)->AddString(u"x");
    dlg.GetEdit(99)->SetWindowText(u"x");
    dlg.GetButton(kList)->SetCheck(BST_CHECKED);
    dlg.GetTabCtrl(kBox)->InsertItem(0, u"x");
    dlg.GetDlgItem(98)->EnableWindow(false);
    dlg.GetProgressCtrl(kOutput)->SetPos(5);
    EXPECT_EQ(std::as_const(dlg).GetEdit(97)->GetWindowText(), u"");
    EXPECT_EQ(dlg.GetComboBox(kName)->GetCount(), 0);
    EXPECT_EQ(Widget<QLineEdit>(dlg, kName)->text(), QStringLiteral("abc"));
    for (const char* line : {"control 12 asked for as a combo box, but it is of another kind",
                             "control 99 asked for as an edit, but there is no such control",
                             "control 20 asked for as a button", "control 13 asked for as a tab control",
                             "control 98 asked for as a control", "control 97 asked for as an edit",
                             "control 24 asked for as a progress bar"})
        EXPECT_TRUE(log.Contains(QString::fromLatin1(line))) << line << "\n" << log.lines.join('\n').toStdString();
    EXPECT_TRUE(log.lines.first().startsWith(QStringLiteral("tarvex.dialog: dialog \"Test\"")));
    log.lines.clear();
    dlg.DestroyWindow();
    dlg.GetEdit(kName)->SetWindowText(u"x");
    EXPECT_TRUE(log.Contains(QStringLiteral("the dialog has no window")));
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(dlg.GetComboBox(kName), "control 12 asked for as a combo box");
#endif
}

TEST(DialogFramework, EnabledMeansTheControlItselfAndRangesSkipMissingIds)
{
    TestDlg dlg;
    CreateShown(dlg);
    dlg.EnableWindow(false);
    EXPECT_FALSE(dlg.IsWindowEnabled());
    EXPECT_TRUE(dlg.GetDlgItem(kName)->IsWindowEnabled()) << "its dialog's state is not its own";
    EXPECT_FALSE(dlg.GetDlgItem(kSecondButton)->IsWindowEnabled());
    dlg.EnableWindow(true);

    LogCapture log;
    dlg.EnableDlgItems(kCount, kFirstButton, false);  // 14..19 are not there
    for (int id : {kCount, kName, kBox, kList, kFirstButton})
        EXPECT_FALSE(dlg.GetDlgItem(id)->IsWindowEnabled()) << id;
    for (int id : {kLabel, kHiddenButton, IDOK, kOutput})
        EXPECT_TRUE(dlg.GetDlgItem(id)->IsWindowEnabled()) << id;
    dlg.EnableDlgItems(kName, kSecondButton, true);
    for (int id : {kName, kBox, kList, kFirstButton, kSecondButton})
        EXPECT_TRUE(dlg.GetDlgItem(id)->IsWindowEnabled()) << id;
    EXPECT_FALSE(dlg.GetDlgItem(kCount)->IsWindowEnabled());
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString();
}

// A base dialog with a map of its own, and a dialog derived from it.
class BaseMapDlg : public CDialog {
public:
    BaseMapDlg() : CDialog(kTemplate) {}
    std::vector<std::string> calls;

protected:
    void OnCancel() override { calls.push_back("cancel"); }
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map{
            &CDialog::GetMessageMap(),
            {
                OnNotify(Notify::Clicked, kFirstButton, &BaseMapDlg::OnBaseFirst),
                OnNotify(Notify::Clicked, kBox, &BaseMapDlg::OnBaseBox),
                OnNotifyRange(Notify::SelChange, kList, kList, &BaseMapDlg::OnBaseRange),
            },
        };
        return map;
    }

private:
    void OnBaseFirst() { calls.push_back("base first"); }
    void OnBaseBox() { calls.push_back("base box"); }
    void OnBaseRange(unsigned id) { calls.push_back("base list " + std::to_string(id)); }
};

class DerivedMapDlg : public BaseMapDlg {
protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map{
            &BaseMapDlg::GetMessageMap(),
            {
                OnNotify(Notify::Clicked, kFirstButton, &DerivedMapDlg::OnDerivedFirst),
                OnNotify(Notify::Clicked, kHiddenButton, &DerivedMapDlg::OnDerivedHidden),
            },
        };
        return map;
    }

private:
    void OnDerivedFirst() { calls.push_back("derived first"); }
    void OnDerivedHidden() { calls.push_back("derived hidden"); }
};

TEST(DialogFramework, MessageMapFallsBackToItsBaseClassesMap)
{
    DerivedMapDlg dlg;
    dlg.OnCommand(Notify::Clicked, kFirstButton);    // both maps: the derived one wins
    dlg.OnCommand(Notify::Clicked, kBox);            // the base map only
    dlg.OnCommand(Notify::SelChange, kList);         // the base map only
    dlg.OnCommand(Notify::Clicked, kHiddenButton);   // the derived map only
    dlg.OnCommand(Notify::SelChange, kFirstButton);  // nobody's: nothing
    dlg.OnCommand(Notify::Clicked, IDCANCEL);        // nobody's: the default command
    EXPECT_EQ(dlg.calls, (std::vector<std::string>{"derived first", "base box", "base list 20",
                                                   "derived hidden", "cancel"}));
}

TEST(DialogFramework, StyleBitsThatNothingHonoursAreRefused)
{
    const struct {
        ControlKind kind;
        unsigned style;
        bool honoured;
        const char* what;
    } cases[] = {
        {ControlKind::Edit, kOutputStyle, true, "the output window's edit"},
        {ControlKind::Edit, kMultiline | kNumber, false, "digits are checked in single-line edits only"},
        {ControlKind::Edit, kAutoVScroll, false, "a single-line edit has no lines to scroll"},
        {ControlKind::Edit, kHScroll, false, "nor a scroll bar"},
        {ControlKind::PushButton, kTransparent, false, "a push button paints its own face"},
        {ControlKind::GroupBox, kTransparent, true, "a group box paints only its frame"},
        {ControlKind::DropDownList, kRightAlign, false, "only labels align their text"},
        {ControlKind::AutoCheckBox, kTabStop | kGroup | kTransparent, true, "the include check boxes"},
        {ControlKind::ProgressBar, kGroup | kDisabled | kHidden, true, "a bar shown once a run starts"},
        {ControlKind::ProgressBar, kTabStop, false, "a progress bar never takes the focus"},
        {ControlKind::Static, kLive | kHidden, true, "an outcome line shown at the end"},
        {ControlKind::Edit, kLive, false, "only a static text is a message"},
    };
    for (const auto& c : cases) {
        const DlgControl control{5, c.kind, 0, 0, 10, 10, c.style, u""};
        EXPECT_EQ(UnhonouredStyles(control) == 0, c.honoured) << c.what;
    }
#ifdef NDEBUG
    // At run time the build names the dialog, the control and the bit.
    static constexpr DlgControl kBad[] = {{5, ControlKind::PushButton, 0, 0, 10, 10, kTransparent, u""}};
    static constexpr DlgTemplate kBadTemplate{50, 50, kDsCaption | kDsAppWindow, u"Bad", u"MS Shell Dlg", 8, kBad};
    LogCapture log;
    TestDlg owner;
    ASSERT_TRUE(owner.Create());
    TestDlg bad(&owner, kBadTemplate);
    bad.Create();
    EXPECT_TRUE(log.Contains(QStringLiteral("dialog \"Bad\": control 5 does not honour the style \"transparent\"")))
        << log.lines.join('\n').toStdString();
    EXPECT_TRUE(log.Contains(QStringLiteral("does not honour the dialog style \"task-bar window\" on an owned dialog")));
#endif
}

TEST(DialogFramework, ArrowKeysMoveTheFocusWithinTheGroup)
{
    TestDlg dlg;
    CreateShown(dlg);
    WidgetOf(dlg)->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOf(dlg)));
    const auto press = [&](int from, Qt::Key key) {
        Widget(dlg, from)->setFocus();
        QTest::keyClick(Widget(dlg, from), key);
        return WidgetOf(dlg)->focusWidget();
    };
    // The group kFirstButton..IDCANCEL; B is disabled and C hidden, so both are passed over.
    EXPECT_EQ(press(kFirstButton, Qt::Key_Right), Widget(dlg, IDOK));
    EXPECT_EQ(press(IDOK, Qt::Key_Down), Widget(dlg, IDCANCEL));
    EXPECT_EQ(press(IDCANCEL, Qt::Key_Right), Widget(dlg, kFirstButton)) << "wraps within the group";
    EXPECT_EQ(press(kFirstButton, Qt::Key_Left), Widget(dlg, IDCANCEL));
    EXPECT_EQ(press(kBox, Qt::Key_Down), Widget(dlg, kBox)) << "alone in its group";
}

TEST(DialogFramework, EditsOfBothKindsSelectAndCountLines)
{
    TestDlg dlg;
    CreateShown(dlg);
    CEdit* output = dlg.GetEdit(kOutput);
    output->SetWindowText(u"one\ntwo\nthree");
    EXPECT_EQ(output->GetLineCount(), 3);
    output->SetSel(4, -1);
    auto* multi = Widget<QPlainTextEdit>(dlg, kOutput);
    EXPECT_EQ(multi->textCursor().selectedText(), QStringLiteral("two\u2029three"));
    output->SetSel(-1, -1);
    EXPECT_FALSE(multi->textCursor().hasSelection());
    EXPECT_EQ(multi->textCursor().position(), 13);

    CEdit* name = dlg.GetEdit(kName);
    EXPECT_EQ(name->GetLineCount(), 1);
    name->SetSel(1, 2);
    EXPECT_EQ(Widget<QLineEdit>(dlg, kName)->selectedText(), QStringLiteral("b"));
}

}  // namespace
