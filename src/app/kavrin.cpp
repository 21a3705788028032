#include "app/kavrin.h"

#include "device/frames.h"
#include "log/logsink.h"
#include "schemes/programlist.h"
#include "ui/clickedcombobox.h"
#include "ui/logpane.h"
#include "ui/strspinbox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>

namespace {
QByteArray fixedFrame(const char *text)
{
    return frameFromText(QString::fromLatin1(text));
}
} // namespace

// Members are built in declaration order, which is the start-up order: the
// acknowledgement, the nine fixed frames, then the scheme directory.
Kavrin::Kavrin(QWidget *parent)
    : QMainWindow(parent),
      ackReply(QByteArray::fromHex(QString::fromLatin1(FrameText::ack).toLocal8Bit())),
      manualModeFrame(fixedFrame(FrameText::manualMode)),
      autoModeFrame(fixedFrame(FrameText::autoMode)),
      triggerSyncFrame(fixedFrame(FrameText::triggerSync)),
      triggerAsyncFrame(fixedFrame(FrameText::triggerAsync)),
      manualStartFrame(fixedFrame(FrameText::manualStart)),
      manualStopFrame(fixedFrame(FrameText::manualStop)),
      autoStartFrame(fixedFrame(FrameText::autoStart)),
      autoOffFrame(fixedFrame(FrameText::autoOff)), autoStopFrame(fixedFrame(FrameText::autoStop)),
      schemeStore(QStandardPaths::writableLocation(QStandardPaths::HomeLocation)
                  + QStringLiteral("/AppData/Roaming/HalvoSystemFile/HalvoProject"))
{
    firstReplyPending = true;
    missedReplies = 0;
    serialPort = new QSerialPort;
    replyTimer = new QTimer;

    logSink = new LogSink(this);

    setupUi(this);
    connect(logSink, &LogSink::lineLogged, logEdit,
            [this](const QString &line) { appendToLogPane(logEdit, line); });

    connect(helpButton, &QPushButton::clicked, helpButton, [this] { openHelp(); });
    connect(replyTimer, &QTimer::timeout, replyTimer, [this] { checkDeviceAlive(); });
    connect(logCheck, &QCheckBox::toggled, logCheck, [this](bool on) { setLogPaneVisible(on); });
    connect(importSchemeButton, &QPushButton::clicked, importSchemeButton,
            [this] { showSchemeList(); });
    connect(saveSchemeButton, &QPushButton::clicked, saveSchemeButton, [this] { saveScheme(); });
    connect(triggerSpin, QOverload<int>::of(&QSpinBox::valueChanged), triggerSpin,
            [this](int value) { sendTriggerMode(value); });
    connect(saveSettingsButton, &QPushButton::clicked, saveSettingsButton,
            [this] { sendParameters(); });
    connect(autoOffButton, &QPushButton::clicked, autoOffButton, [this] { switchAutoOff(); });
    connect(startButton, &QPushButton::clicked, startButton, [this] { toggleStartStop(); });
    connect(manualRadio, &QRadioButton::toggled, manualRadio,
            [this](bool checked) { chooseManualMode(checked); });
    connect(autoRadio, &QRadioButton::toggled, autoRadio,
            [this](bool checked) { chooseAutoMode(checked); });
    connect(triggerRadio, &QRadioButton::toggled, triggerRadio,
            [this](bool checked) { chooseTriggerMode(checked); });
    connect(disconnectButton, &QPushButton::clicked, disconnectButton, [this] { closePort(); });
    connect(portCombo, &ClickedComboBox::clicked, portCombo, [this] { refreshPortList(); });
    connect(portCombo, QOverload<int>::of(&QComboBox::activated), portCombo,
            [this](int) { openSelectedPort(); });

    removeOldLogs(7);

    programList = new ProgramList(this);
    // The list is a helper of this window: it must not keep the program alive.
    programList->setAttribute(Qt::WA_QuitOnClose, false);
    readSchemeFile();
}

void Kavrin::closeEvent(QCloseEvent *event)
{
    // The port is let go (and the watchdog stopped) as the operator would.
    programList->close();
    closePort();
    QMainWindow::closeEvent(event);
}

Kavrin::~Kavrin()
{
    delete logSink; // before the pane goes
    // Nothing else owns these; a window that goes away (tests make many) frees them.
    delete programList;
    delete replyTimer;
    delete serialPort;
}

void Kavrin::setLogPaneVisible(bool visible)
{
    logEdit->setVisible(visible);
}
