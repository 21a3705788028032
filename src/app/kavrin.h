#pragma once

// The main window owns all state and every handler. Data flows:
//   serial port -> readReply -> ReplyReader (core) -> status handling -> widgets
//   controls -> command frames (core) -> serial port
//   schemes: scheme file (core) <-> schemes <-> ProgramList entries
//   every message -> logMessageHandler -> log pane and the day's file
// Member functions live in the folder of their subsystem (device, serial,
// schemes, log); this folder holds construction and wiring.

#include "device/replyreader.h"
#include "schemes/schemestore.h"
#include "ui/kavrin_ui.h"

#include <QByteArray>
#include <QMainWindow>
#include <QStringList>

class LogSink;
class ProgramLabel;
class ProgramList;
class QAction;
class QJsonValue;
class QSerialPort;
class QTimer;

class Kavrin : public QMainWindow, public Kavrin_ui
{
    Q_OBJECT

public:
    explicit Kavrin(QWidget *parent = nullptr);
    ~Kavrin() override;

    // --- app (src/app) ---
    void setLogPaneVisible(bool visible);
    void openHelp();

    // --- device: control actions (src/device/controlactions.cpp) ---
    void chooseManualMode(bool checked);
    void chooseAutoMode(bool checked);
    void chooseTriggerMode(bool checked);
    void sendTriggerMode(int selector);
    void toggleStartStop();
    void switchAutoOff();
    void sendParameters();

    // --- device: replies and watchdog (src/device/replyhandling.cpp) ---
    void readReply();
    void checkDeviceAlive();

    // --- serial (src/serial) ---
    QStringList availablePortNames() const;
    void refreshPortList();
    void openSelectedPort();
    void closePort();

    // --- schemes (src/schemes) ---
    void readSchemeFile();
    QJsonObject schemeFromInputs() const;
    void applySchemeToInputs(const QJsonValue &scheme);
    void rebuildSchemeList();
    void saveScheme();
    void showSchemeList();
    void applyScheme(ProgramLabel *entry);
    void handleSchemeMenu(QAction *action, ProgramLabel *entry);
    // The file did not take a change: say so in the log and once in a box.
    void reportUnsavedSchemes();

    // --- log (src/log) ---
    void removeOldLogs(int days);

    QByteArray ackReply;
    QByteArray manualModeFrame;
    QByteArray autoModeFrame;
    QByteArray triggerSyncFrame;
    QByteArray triggerAsyncFrame;
    QByteArray manualStartFrame;
    QByteArray manualStopFrame;
    QByteArray autoStartFrame;
    QByteArray autoOffFrame;
    QByteArray autoStopFrame;
    bool firstReplyPending = true;
    QTimer *replyTimer = nullptr;
    int missedReplies = 0;
    SchemeStore schemeStore;
    ProgramList *programList = nullptr;
    QSerialPort *serialPort = nullptr;
    QStringList portNames;
    QByteArray startFrame;
    QByteArray stopFrame;

    // Serial lines split and join frames: replies are reassembled here.
    ReplyReader replyReader;
    // Guards closePort against the errors that closing a port raises.
    bool closingPort = false;

protected:
    // Closing the main window ends the program, even with the scheme list open.
    void closeEvent(QCloseEvent *event) override;

private:
    // --- device: private helpers ---
    void handleStatusFrame(const QByteArray &frame);
    // Shows a count in countDisplay, at most one every 20 ms, the latest last.
    void showCount(const QString &text);
    QTimer *countShowTimer = nullptr; // created at the first count
    QString pendingCount; // null: nothing waiting to be shown
    // --- serial: private helpers ---
    void handlePortError(int error);
    LogSink *logSink = nullptr;
    // readyRead and errorOccurred are connected at the first open, once.
    bool portSignalsConnected = false;
};
