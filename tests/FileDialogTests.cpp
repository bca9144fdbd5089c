// The file dialog as the user meets it: its filters shown as written, "*.*" listing every
// file, a typed name that does not exist yet, and cancelling.

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/FileDialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "tests/ModalHelper.h"

namespace {

constexpr DlgControl kOwnerControls[] = {
    {IDOK, ControlKind::DefPushButton, 10, 10, 40, 14, kTabStop, u"OK"},
};
constexpr DlgTemplate kOwnerTemplate{
    100, 40, kDsCaption | kDsSysMenu | kDsModalFrame, u"Owner", u"MS Shell Dlg", 8, kOwnerControls,
};

QPushButton* Button(QFileDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(which) : nullptr;
}

TEST(FileDialog, ShowsItsFilterAsWrittenListsWhatMatchesAndCancels)
{
    const struct {
        std::u16string_view filter;
        QString shown;
        QStringList listed;
    } cases[] = {
        {u"所有文件 (*.*)|*.*||", QStringLiteral("所有文件 (*.*)"),
         {QStringLiteral("README"), QStringLiteral("clip.flv"), QStringLiteral("movie.avi")}},
        {u"flv文件 (*.flv)|*.flv||", QStringLiteral("flv文件 (*.flv)"), {QStringLiteral("clip.flv")}},
    };
    for (const auto& c : cases) {
        // A folder of its own for each case, so that each dialog loads it afresh.
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"clip.flv", "README", "movie.avi"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        CFileDialog fd(true, nullptr, nullptr, OFN_HIDEREADONLY, c.filter, nullptr);
        QStringList shown, listed;
        auto watch = WhenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; combo && i < combo->count(); ++i)
                shown << combo->itemText(i);
            auto* model = dialog->findChild<QFileSystemModel*>();
            ASSERT_NE(model, nullptr);
            bool loaded = false;
            QObject::connect(model, &QFileSystemModel::directoryLoaded, [&](const QString& path) {
                loaded = loaded || path == dir.path();
            });
            dialog->setDirectory(dir.path());
            if (WaitFor([&] { return loaded; }, "the folder's files in the file dialog")) {
                auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
                for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row)
                    listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            QTest::mouseClick(Button(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        EXPECT_EQ(fd.DoModal(), IDCANCEL);
        EXPECT_EQ(fd.GetPathName(), u"");
        EXPECT_EQ(shown, QStringList{c.shown});
        listed.sort();
        EXPECT_EQ(listed, c.listed) << c.shown.toStdString();
    }
}

TEST(FileDialog, ATypedNameThatDoesNotExistIsTakenAsAFullPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CDialog owner(kOwnerTemplate);
    ASSERT_TRUE(owner.Create());
    owner.ShowWindow(SW_SHOW);
    CFileDialog fd(true, nullptr, nullptr, OFN_HIDEREADONLY, u"flv文件 (*.flv)|*.flv||", &owner);
    const QString typed = dir.filePath(QStringLiteral("new clip"));
    const QWidget* parent = nullptr;
    auto watch = WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        parent = dialog->parentWidget();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(typed);
        QTest::mouseClick(Button(dialog, QDialogButtonBox::Open), Qt::LeftButton);
    }, WidgetOf(owner));
    EXPECT_EQ(fd.DoModal(), IDOK);
    EXPECT_EQ(fd.GetPathName(), FromQString(typed));
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_EQ(parent, WidgetOf(owner));
}

}  // namespace
