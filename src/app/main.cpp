#include "logsink.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales to the screen. Qt 5 must be asked to, or at 125-200 %
    // the fixed-size window keeps its pixel sizes while its fonts grow, and
    // the texts are cut; the images then come in sizes for the screen too.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    // 150 % stays 150 %, as under Qt 6, rather than rounded up to 200 %.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
#endif
    QApplication app(argc, argv);
    LogSink logSink; // every message from here on reaches the day's log file
    // --no-control: no script may drive this window.
    const bool noControl = QApplication::arguments().contains(QStringLiteral("--no-control"));
    MainWindow window(&logSink, noControl ? MainWindow::Control::Off : MainWindow::Control::Served);
    window.show();
    return QApplication::exec();
}
