#pragma once

#include "logsink.h"
#include "mainwindow.h"
#include "support.h"

#include <QApplication>

#include <functional>
#include <memory>

// The start every window benchmark shares, in the order that matters: a
// throw-away home, the offscreen platform, the application, then the log sink
// and the main window as main makes them. The window is not shown yet.
class BenchWindow
{
public:
    // argc must outlive this object, as for QApplication.
    // prepareHome runs in the throw-away home before the window reads it.
    BenchWindow(int &argc, char **argv, const std::function<void()> &prepareHome = {});

    // False when there is no throw-away home; then nothing else was made.
    bool isValid() const { return m_window != nullptr; }
    QApplication &app() const { return *m_app; }
    LogSink &logSink() const { return *m_logSink; }
    MainWindow &window() const { return *m_window; }

private:
    TestHome m_home; // first made, last gone
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<LogSink> m_logSink;
    std::unique_ptr<MainWindow> m_window;
};
