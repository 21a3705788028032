#include "benchwindow.h"

BenchWindow::BenchWindow(int &argc, char **argv, const std::function<void()> &prepareHome)
{
    if (!m_home.isValid())
        return;
    if (prepareHome)
        prepareHome();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(argc, argv);
    m_logSink = std::make_unique<LogSink>();
    m_window = std::make_unique<MainWindow>(m_logSink.get());
}
