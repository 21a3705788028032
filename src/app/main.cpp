#include "app/kavrin.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    auto *window = new Kavrin; // lives until the process ends
    window->show();
    return app.exec();
}
