// Saves pictures of the real windows for a human to look at: the main dialog in the start
// language of the environment's locale; with "about", the About box opened from it; with
// "mp4", the dialog after a user has typed two names, clicked the FLV2Video tab and chosen MP4.
//   tarvex_window_shot OUTPUT.png [about|mp4]
// Run it under a display server (e.g. xvfb-run) to see the platform's own fonts and frames.

#include <QApplication>
#include <QComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstring>

#include "platform/dialog/private/WidgetAccess_p.h"
#include "ui/AboutDlg.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [about|mp4]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const bool about = argc > 2 && std::strcmp(argv[2], "about") == 0;
    const bool mp4 = argc > 2 && std::strcmp(argv[2], "mp4") == 0;

    CTarvexDlg dlg;
    dlg.Create();
    dlg.ShowWindow(SW_SHOW);
    if (mp4) {
        dlg.GetDlgItem(IDC_SOURCE)->SetWindowText(u"/home/user/Videos/holiday.avi");
        dlg.GetDlgItem(IDC_OUTPUT)->SetWindowText(u"/home/user/Videos/holiday.flv");
        qobject_cast<QTabWidget*>(WidgetOf(*dlg.GetDlgItem(IDC_TAB)))->tabBar()->setCurrentIndex(1);
        auto* exportType = qobject_cast<QComboBox*>(WidgetOf(*dlg.GetDlgItem(IDC_EXPORT_TYPE)));
        const int entry = exportType->findText(QStringLiteral("MP4"));
        exportType->setCurrentIndex(entry);
        emit exportType->activated(entry);
    }
    bool saved = false;
    if (about) {
        QTimer::singleShot(300, [&] {
            QWidget* box = QApplication::activeModalWidget();
            saved = box && box->grab().save(output);
            if (box)
                box->close();
        });
        dlg.OnSysCommand(IDM_ABOUTBOX, 0);
    } else {
        QTimer::singleShot(300, [&] {
            saved = WidgetOf(dlg)->grab().save(output);
            QApplication::quit();
        });
        QApplication::exec();
    }
    return saved ? 0 : 1;
}
