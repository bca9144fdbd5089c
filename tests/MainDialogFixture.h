#pragma once
// The main dialog under test, started under a chosen locale, with the means to act on it the
// way a user does: clicking a tab or a check box, picking a list entry. A suite that watches
// the dialog from inside names a class derived from CTarvexDlg.

#include <QCheckBox>
#include <QComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "convert/ProfileCatalogue.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "ui/Language.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

template <class Dialog>
class MainDialogFixtureOf : public ::testing::Test {
protected:
    void StartIn(const char* locale)
    {
        if (locale)
            setenv("LC_ALL", locale, 1);
        else
            unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        unsetenv("LANG");
        g_language = Language::English;
        dlg.emplace();
        ASSERT_TRUE(dlg->Create());
        dlg->ShowWindow(SW_SHOW);
    }

    void TearDown() override
    {
        dlg.reset();
        unsetenv("LC_ALL");
        g_language = Language::English;
    }

    template <class T = QWidget>
    T* Widget(int id)
    {
        return qobject_cast<T*>(WidgetOf(*dlg->GetDlgItem(id)));
    }

    std::vector<std::u16string> Entries(int id)
    {
        std::vector<std::u16string> entries;
        CComboBox* combo = dlg->GetComboBox(id);
        for (int i = 0; i < combo->GetCount(); ++i)
            entries.push_back(combo->GetLBText(i));
        return entries;
    }

    static std::vector<std::u16string> ListOf(CatalogueList list)
    {
        return {list.begin(), list.end()};
    }

    std::u16string Selected(int id)
    {
        CComboBox* combo = dlg->GetComboBox(id);
        return combo->GetLBText(combo->GetCurSel());
    }

    std::u16string Text(int id) { return dlg->GetDlgItem(id)->GetWindowText(); }
    bool Enabled(int id) { return dlg->GetDlgItem(id)->IsWindowEnabled(); }
    bool Visible(int id) { return dlg->GetDlgItem(id)->IsWindowVisible(); }
    bool Checked(int id) { return dlg->GetButton(id)->GetCheck() == BST_CHECKED; }

    // What the user types into an edit; the dialog reads it at its next data exchange.
    void Type(int id, std::u16string_view text) { dlg->GetDlgItem(id)->SetWindowText(text); }

    void ClickTab(int index) { Widget<QTabWidget>(IDC_TAB)->tabBar()->setCurrentIndex(index); }

    void Click(int id) { QTest::mouseClick(Widget(id), Qt::LeftButton); }

    // Picks entry `index` of list `id` as a user does; a list the user cannot reach is a
    // mistake of the test.
    void Pick(int id, int index)
    {
        auto* combo = Widget<QComboBox>(id);
        ASSERT_TRUE(combo->isEnabled() && combo->isVisible()) << "list " << id << " is out of reach";
        ASSERT_LT(index, combo->count()) << "list " << id;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    void Pick(int id, std::u16string_view entry)
    {
        const int index = Widget<QComboBox>(id)->findText(ToQString(entry), Qt::MatchExactly);
        ASSERT_GE(index, 0) << "list " << id << " has no entry " << ToQString(entry).toStdString();
        Pick(id, index);
    }

    std::optional<Dialog> dlg;
};

using MainDialogFixture = MainDialogFixtureOf<CTarvexDlg>;
