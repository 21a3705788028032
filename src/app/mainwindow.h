#pragma once

#include "schemestore.h"
#include "shuttersession.h"

#include <QIcon>
#include <QJsonObject>
#include <QMainWindow>

#include <memory>

class ControlServer;
class LogSink;
class SchemeListWindow;
struct ControlRequest;
namespace Ui {
class MainWindowForm;
}

// The main window: wires the session, the scheme store and the log sink to
// the form's widgets and shows the message boxes. It holds no protocol rule:
// controls call the session, and the session's signals set the widgets.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Whether scripts may drive the window through the control endpoint.
    enum class Control { Served, Off };

    explicit MainWindow(LogSink *logSink, Control control = Control::Served,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    // Closing the main window ends the program, even with the scheme list open.
    // During a manual or automatic run it asks first whether to stop the shutter.
    void closeEvent(QCloseEvent *event) override;

private:
    void keepLogosAtShownSize();
    void wireControls();
    void wireSession();
    void wireSchemeList();

    void refreshPortList();
    void chooseMode(ShutterMode mode);
    bool sendParameters();
    void showOpened();
    void showClosed();
    void showRunState(RunState state);
    void showError(const QString &text);
    // False when the operator would rather not quit after all.
    bool settleRunBeforeQuitting();

    void saveScheme();
    void listSchemes(bool onlyIfReloaded = false);
    void showSchemeList();
    bool applyScheme(const QString &name);
    void deleteScheme(const QString &name);
    void renameScheme(const QString &name);
    bool confirmOverwrite(const QString &name);
    void reportUnsavedSchemes();

    // The control endpoint (windowcontrol.cpp): a script's request carried
    // out as the operator's action would be, and the session's events.
    static QString portClosedText();
    void serveControl();
    void wireControlEvents();
    void handleControlRequest(const ControlRequest &request);
    void selectMode(ShutterMode mode);
    QJsonObject controlState() const;

    std::unique_ptr<Ui::MainWindowForm> m_ui;
    // Made once: every new icon leaves its scaled and greyed pixmaps in Qt's
    // pixmap cache under new keys, about 27 kB a port cycle up to the cache's
    // 10 MB.
    const QIcon m_portOpenIcon{ QStringLiteral(":/no.png") };
    const QIcon m_portClosedIcon{ QStringLiteral(":/circle.png") };
    const QIcon m_runningIcon{ QStringLiteral(":/stop.png") };
    const QIcon m_stoppedIcon{ QStringLiteral(":/start.png") };
    ShutterSession m_session;
    SchemeStore m_schemeStore;
    std::unique_ptr<SchemeListWindow> m_schemeList;
    ControlServer *m_control = nullptr;
    int m_lastTriggerCount = -1; // -1: none reported since the start
    int m_lastCycleCount = -1;
};
