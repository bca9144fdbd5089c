// The dialog framework on its own, with a small template: notifications, commands, modal
// runs, data exchange, layout, the window menu and calls from other threads.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "platform/dialog/WinApp.h"
#include "tests/ModalHelper.h"

namespace {

constexpr int kLabel = 10, kCount = 11, kName = 12, kBox = 13, kList = 14, kFirstButton = 15,
              kSecondButton = 16, kTabs = 17;

constexpr DlgControl kControls[] = {
    {kLabel, ControlKind::Static, 5, 5, 40, 8, kGroup | kRightAlign, u"Count"},
    {kCount, ControlKind::Edit, 50, 4, 40, 12, kTabStop | kNumber, u""},
    {kName, ControlKind::Edit, 50, 20, 40, 12, kTabStop, u""},
    {kBox, ControlKind::AutoCheckBox, 5, 36, 60, 10, kTabStop, u"Box"},
    {kList, ControlKind::DropDownList, 5, 50, 60, 60, kTabStop, u""},
    {kFirstButton, ControlKind::PushButton, 100, 4, 30, 14, kTabStop, u"A"},
    {kSecondButton, ControlKind::PushButton, 100, 20, 30, 14, kTabStop | kDisabled, u"B"},
    {IDOK, ControlKind::DefPushButton, 100, 70, 30, 14, kTabStop, u"OK"},
    {IDCANCEL, ControlKind::PushButton, 135, 70, 30, 14, kTabStop, u"Cancel"},
    {kTabs, ControlKind::Tab, 0, 0, 170, 90, 0, u""},
};

constexpr DlgTemplate kTemplate{
    170, 90, kDsCaption | kDsSysMenu | kDsModalFrame, u"Test", u"MS Shell Dlg", 8, kControls,
};

class TestDlg : public CDialog {
public:
    TestDlg() : CDialog(kTemplate) {}

    std::vector<std::pair<const char*, int>> calls;
    std::uint32_t count = 7;
    std::u16string name = u"abc";
    int box = 1;
    std::vector<unsigned> sysCommands;

    void OnSysCommand(unsigned nID, std::intptr_t lParam) override
    {
        sysCommands.push_back(nID);
        CDialog::OnSysCommand(nID, lParam);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, kCount, count);
        DDX_Text(pDX, kName, name);
        DDX_Check(pDX, kBox, box);
    }

    const std::vector<MessageMapEntry>& GetMessageMap() const override
    {
        static const std::vector<MessageMapEntry> map = {
            OnNotify(Notify::Clicked, kBox, &TestDlg::OnBox),
            OnNotify(Notify::SelChange, kList, &TestDlg::OnList),
            OnNotify(Notify::TabSelChange, kTabs, &TestDlg::OnTab),
            OnNotifyRange(Notify::Clicked, kFirstButton, kSecondButton, &TestDlg::OnButton),
        };
        return map;
    }

private:
    void OnBox() { calls.emplace_back("box", 0); }
    void OnList() { calls.emplace_back("list", 0); }
    void OnTab() { calls.emplace_back("tab", 0); }
    void OnButton(unsigned id) { calls.emplace_back("button", static_cast<int>(id)); }
};

template <class T = QWidget>
T* Widget(const CDialog& dlg, int id)
{
    return qobject_cast<T*>(WidgetOf(*dlg.GetDlgItem(id)));
}

TEST(DialogFramework, OnlyUserActionsRaiseNotifications)
{
    TestDlg dlg;
    dlg.Create();
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
    dlg.Create();
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
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        TestDlg dlg;
        WhenModal([&](QWidget*) { QTest::mouseClick(Widget(dlg, IDCANCEL), Qt::LeftButton); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        TestDlg dlg;
        WhenModal([](QWidget* w) { w->close(); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        ASSERT_EQ(dlg.sysCommands.size(), 1u);
        EXPECT_EQ(dlg.sysCommands[0], SC_CLOSE);
    }
}

TEST(DialogFramework, EnterRunsTheDefaultButtonWhichAcceptsTheData)
{
    TestDlg dlg;
    WhenModal([&](QWidget*) {
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
    WhenModal([&](QWidget*) {
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
    dlg.Create();
    dlg.GetDlgItem(kCount)->SetWindowText(u"");
    dlg.GetDlgItem(kName)->SetWindowText(u"changed");
    dlg.GetButton(kBox)->SetCheck(BST_UNCHECKED);

    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal([&](QWidget* w) {
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
    dlg.Create();
    for (int value : {2, 3, -1}) {
        dlg.box = value;
        dlg.UpdateData(false);
        EXPECT_EQ(dlg.GetButton(kBox)->GetCheck(), value == 2 ? BST_INDETERMINATE : BST_UNCHECKED);
    }
}

TEST(DialogFramework, ControlsFollowTheTemplateInDialogUnits)
{
    TestDlg dlg;
    dlg.Create();
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
    dlg.Create();
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
    dlg.Create();
    dlg.GetSystemMenu(false)->AppendMenu(MF_SEPARATOR);
    dlg.GetSystemMenu(false)->AppendMenu(MF_STRING, 0x20, u"Item");

    QStringList seen;
    WhenPopup([&](QMenu* menu) {
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
    dlg.Create();
    dlg.GetSystemMenu(false)->AppendMenu(MF_STRING, 0x30, u"Item");
    for (auto [key, modifiers] : {std::pair{Qt::Key_F10, Qt::ShiftModifier},
                                  std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        // The shortcuts answer in the active window only; a closed menu hands activation
        // back in its own time.
        QApplication::setActiveWindow(WidgetOf(dlg));
        ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOf(dlg)));
        WhenPopup([](QMenu* menu) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::keyClick(Widget(dlg, kFirstButton), key, modifiers);
    }
    EXPECT_EQ(dlg.sysCommands, (std::vector<unsigned>{0x30, 0x30}));
}

TEST(DialogFramework, CallsFromOtherThreadsReachTheWidgetOnTheGuiThread)
{
    TestDlg dlg;
    dlg.Create();
    CWnd* name = dlg.GetDlgItem(kName);
    CWnd* button = dlg.GetDlgItem(kFirstButton);
    std::thread worker([&] {
        name->SetWindowText(u"from a runner");
        button->ShowWindow(SW_HIDE);
    });
    worker.join();
    // Queued, not done by the worker itself.
    EXPECT_EQ(name->GetWindowText(), u"abc");
    EXPECT_TRUE(button->IsWindowVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(name->GetWindowText(), u"from a runner");
    EXPECT_FALSE(button->IsWindowVisible());
}

TEST(DialogFramework, LabelNamesItsControlsAndFollowsItsTextButRelatesOnlyToItsList)
{
    TestDlg dlg;
    dlg.Create();
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

}  // namespace
