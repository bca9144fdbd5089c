#include <QApplication>

#include "app/TarvexApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return AfxWinMain();
}
