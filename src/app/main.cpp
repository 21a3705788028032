#include "logsink.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    LogSink logSink; // every message from here on reaches the day's log file
    MainWindow window(&logSink);
    window.show();
    return QApplication::exec();
}
