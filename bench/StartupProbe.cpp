// The program as it starts for a user, plus one thing only the benchmark needs: the moment
// its first window has been painted, it writes "shown" to standard output and closes that
// window, so the program ends the way Cancel ends it.
//   tarvex_startup_probe           the real program
//   tarvex_startup_probe baseline  a bare application with an empty dialog, for comparison

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/TarvexApp.h"

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
    if (argc > 1 && std::strcmp(argv[1], "baseline") == 0) {
        QDialog dialog;
        dialog.exec();
        return 0;
    }
    return AfxWinMain();
}
