// The program as it starts for a user, plus one thing only the benchmark needs: the moment
// its first window has been painted, it writes "shown" to standard output and closes that
// window, so the program ends the way Cancel ends it.
//   tarvex_startup_probe     the real program
//   tarvex_startup_baseline  a bare application with an empty dialog, for comparison: built from
//                            this file alone, it links the toolkit and nothing of the program

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>

#ifndef TARVEX_STARTUP_BASELINE
#include "app/TarvexApp.h"
#endif

namespace {

class ShownReporter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_reported && event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow()) {
                m_reported = true;
                // After this paint has finished.
                QTimer::singleShot(0, widget, [widget] {
                    std::fputs("shown\n", stdout);
                    std::fflush(stdout);
                    widget->close();
                });
            }
        }
        return false;
    }

private:
    bool m_reported = false;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ShownReporter reporter;
    application.installEventFilter(&reporter);
#ifdef TARVEX_STARTUP_BASELINE
    QDialog dialog;
    dialog.exec();
    return 0;
#else
    return AfxWinMain();
#endif
}
