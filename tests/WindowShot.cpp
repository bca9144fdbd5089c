// Saves pictures of the real windows for a human to look at: the main dialog in the start
// language of the environment's locale; with "about", the About box opened from it; with
// "mp4", the dialog after a user has typed two names, clicked the FLV2Video tab and chosen MP4;
// with "running" or "finished", the screen around the main dialog while the output window of
// a real Video2FLV conversion of SOURCE is up, during the run (once the time left shows) or
// once it has ended. The
// encoders come from ./plugins or PATH, as for the program itself.
//   tarvex_window_shot OUTPUT.png [about|mp4|running SOURCE|finished SOURCE]
// Run it under a display server (e.g. xvfb-run) to see the platform's own fonts and frames;
// the run pictures need one, since they are taken from the screen.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
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
        std::fprintf(stderr, "usage: %s OUTPUT.png [about|mp4|running SOURCE|finished SOURCE]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const bool about = argc > 2 && std::strcmp(argv[2], "about") == 0;
    const bool mp4 = argc > 2 && std::strcmp(argv[2], "mp4") == 0;
    const bool running = argc > 3 && std::strcmp(argv[2], "running") == 0;
    const bool finished = argc > 3 && std::strcmp(argv[2], "finished") == 0;

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
    if (running || finished) {
        dlg.GetDlgItem(IDC_SOURCE)->SetWindowText(FromQString(QString::fromLocal8Bit(argv[3])));
        // Once the output window is up: during the run, a moment after the encoder's first
        // lines; after it, as soon as OK shows. Then the window is closed as a user would.
        QElapsedTimer clock;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            QWidget* window = QApplication::activeModalWidget();
            if (!window || window == WidgetOf(dlg) || !window->isVisible())
                return;
            if (!clock.isValid())
                clock.start();
            auto* ok = window->findChild<QPushButton*>(QString::number(IDOK));
            auto* text = window->findChild<QPlainTextEdit*>(QString::number(IDC_OUTPUT_TEXT));
            const bool ended = ok && ok->isVisible();
            // During the run: once the line under the bar has had time to tell the time left.
            const bool ready = finished ? ended : !ended && text && !text->toPlainText().isEmpty() && clock.elapsed() > 2700;
            if (ready && !saved) {
                const QRect area = WidgetOf(dlg)->frameGeometry().united(window->frameGeometry());
                saved = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(output);
            }
            // A run that ended before its running picture could be taken gives none.
            if (ended) {
                watch.stop();
                ok->click();
            }
        });
        watch.start(20);
        dlg.OnCommand(Notify::Clicked, IDOK);
    } else if (about) {
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
