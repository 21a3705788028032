#include "mainwindow.h"

#include "helplauncher.h"
#include "logline.h"
#include "logpane.h"
#include "logretention.h"
#include "logsink.h"
#include "portscan.h"
#include "schemelistwindow.h"
#include "styles.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QInputDialog>
#include <QMessageBox>

namespace {

constexpr int logRetentionDays = 7;
// How long a stop frame may take to leave the port when the program quits.
constexpr int stopFrameTimeout = 1000; // ms
const char portPlaceholder[] = "请选择串口";
const char noticeTitle[] = "提示";

// The trigger spin box's value as a mode.
ShutterMode triggerMode(int selector)
{
    return selector == 0 ? ShutterMode::TriggerSync : ShutterMode::TriggerAsync;
}

// The scan's log line lists the names as ("COM3", "COM5"), each quoted as the debug
// stream quotes a string. Streaming the list itself would read QList(...) under Qt 6.
QString portListText(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names) {
        QString text;
        QDebug(&text).nospace() << name;
        quoted << text;
    }
    return QLatin1Char('(') + quoted.join(QLatin1String(", ")) + QLatin1Char(')');
}

QString askName(QWidget *parent, const QString &title, const QString &label, const QString &text,
                bool *ok)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok,
                                 Qt::MSWindowsFixedSizeDialogHint);
}

} // namespace

MainWindow::MainWindow(LogSink *logSink, Control control, QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::MainWindowForm>()),
      m_schemeStore(schemeStoreDirectory())
{
    m_ui->setupUi(this);
    m_ui->urlLabel->adjustSize();
    keepLogosAtShownSize();
    setStyleSheet(loadStyleSheet(StyleSheet::MainWindow));
    if (logSink) {
        connect(logSink, &LogSink::lineLogged, m_ui->logEdit, &LogPane::appendLine);
    }
    wireControls();
    wireSession();

    pruneOldLogs(logDirectory(), QDateTime::currentDateTime(), logRetentionDays);

    m_schemeList = std::make_unique<SchemeListWindow>(windowIcon());
    // The list is a helper of this window: it must not keep the program alive.
    m_schemeList->setAttribute(Qt::WA_QuitOnClose, false);
    wireSchemeList();
    if (m_schemeStore.load())
        listSchemes();
    if (control == Control::Served)
        serveControl();
}

MainWindow::~MainWindow() = default;

QString MainWindow::portClosedText()
{
    return QStringLiteral("串口未打开");
}

void MainWindow::keepLogosAtShownSize()
{
    // The images are drawn far larger than shown; a label scaling its
    // contents keeps the original and a decoded copy besides. Scaled once,
    // as the label itself would, they draw the same pixels.
    const qreal ratio = devicePixelRatioF();
    for (QLabel *logo : { m_ui->companyLogo, m_ui->bigLogo }) {
        const QImage image = qvariant_cast<QPixmap>(logo->property("pixmap")).toImage();
        QPixmap shown = QPixmap::fromImage(
            image.scaled(logo->size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shown.setDevicePixelRatio(ratio);
        logo->setPixmap(shown);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!settleRunBeforeQuitting()) {
        event->ignore();
        return;
    }
    // The port is let go (and the watchdog stopped) as the operator would.
    m_schemeList->close();
    m_session.close();
    QMainWindow::closeEvent(event);
}

bool MainWindow::settleRunBeforeQuitting()
{
    if (!m_session.isOpen() || m_session.runState() != RunState::Running)
        return true;
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(noticeTitle),
                    QStringLiteral("快门正在运行。退出前是否停止快门？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("停止并退出"));
    box.button(QMessageBox::No)->setText(QStringLiteral("退出，保持运行"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) {
        m_session.toggleRun(); // the stop the start button would send
        // The controller stops only once the frame has left the port.
        if (!m_session.closeAfterSending(stopFrameTimeout))
            qCritical() << "停止指令未能发出，下位机可能仍在运行";
    }
    return answer != QMessageBox::Cancel;
}

void MainWindow::wireControls()
{
    const Ui::MainWindowForm &ui = *m_ui;
    connect(ui.helpButton, &QPushButton::clicked, this, [] { openHelp(); });
    connect(ui.logCheck, &QCheckBox::toggled, ui.logEdit, &QWidget::setVisible);
    connect(ui.importSchemeButton, &QPushButton::clicked, this, &MainWindow::showSchemeList);
    connect(ui.saveSchemeButton, &QPushButton::clicked, this, &MainWindow::saveScheme);
    connect(ui.triggerSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int value) { chooseMode(triggerMode(value)); });
    connect(ui.saveSettingsButton, &QPushButton::clicked, this, &MainWindow::sendParameters);
    connect(ui.autoOffButton, &QPushButton::clicked, this, [this] {
        m_session.switchAutoOff();
        m_ui->countDisplay->clearCount();
    });
    connect(ui.startButton, &QPushButton::clicked, this, [this] { m_session.toggleRun(); });
    connect(ui.manualRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            chooseMode(ShutterMode::Manual);
    });
    connect(ui.autoRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            chooseMode(ShutterMode::Automatic);
    });
    connect(ui.triggerRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            chooseMode(triggerMode(m_ui->triggerSpin->value()));
    });
    connect(ui.disconnectButton, &QPushButton::clicked, this, [this] { m_session.close(); });
    connect(ui.portCombo, &PortComboBox::popupAboutToShow, this, &MainWindow::refreshPortList);
    connect(ui.portCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { m_session.open(m_ui->portCombo->currentText()); });
}

void MainWindow::wireSession()
{
    connect(&m_session, &ShutterSession::opened, this, &MainWindow::showOpened);
    connect(&m_session, &ShutterSession::closed, this, &MainWindow::showClosed);
    connect(&m_session, &ShutterSession::runStateChanged, this, &MainWindow::showRunState);
    connect(&m_session, &ShutterSession::countReported, this, [this](CountKind kind, int count) {
        const QString text = kind == CountKind::Cycle ? QStringLiteral("循环次数：%1")
                                                      : QStringLiteral("触发次数：%1");
        m_ui->countDisplay->showCount(text.arg(count));
    });
    connect(&m_session, &ShutterSession::parametersSent, this, [this] {
        QMessageBox::question(this, QString::fromUtf8(noticeTitle), QStringLiteral("参数设置成功"),
                              QMessageBox::Ok);
    });
    connect(&m_session, &ShutterSession::wrongDevice, this,
            [this] { showError(ShutterSession::wrongDeviceText()); });
    connect(&m_session, &ShutterSession::deviceSilent, this,
            [this] { showError(QStringLiteral("设备无响应")); });
}

void MainWindow::wireSchemeList()
{
    connect(m_schemeList.get(), &SchemeListWindow::schemeChosen, this, &MainWindow::applyScheme);
    connect(m_schemeList.get(), &SchemeListWindow::deleteRequested, this,
            &MainWindow::deleteScheme);
    connect(m_schemeList.get(), &SchemeListWindow::renameRequested, this,
            &MainWindow::renameScheme);
}

void MainWindow::refreshPortList()
{
    const QStringList names = availablePortNames();
    qDebug().noquote() << "串口:" << portListText(names);
    if (names.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("提示信息"), QStringLiteral("未找到串口"),
                                 QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    m_ui->portCombo->clear();
    m_ui->portCombo->addItems(names);
}

void MainWindow::chooseMode(ShutterMode mode)
{
    m_session.chooseMode(mode);
    const bool trigger = mode == ShutterMode::TriggerSync || mode == ShutterMode::TriggerAsync;
    m_ui->triggerSpin->setEnabled(trigger);
    m_ui->autoOffButton->setEnabled(mode == ShutterMode::Automatic);
    // The trigger input drives the shutter; there is nothing to start by hand.
    m_ui->startButton->setEnabled(!trigger);
}

bool MainWindow::sendParameters()
{
    return m_session.sendParameters(
        { m_ui->openSpin->value(), m_ui->closeSpin->value(), m_ui->cycleSpin->value() });
}

void MainWindow::showOpened()
{
    m_ui->statusLabel->setText(QStringLiteral("串口已连接"));
    m_ui->saveSettingsButton->setEnabled(true);
    m_ui->disconnectButton->setIcon(m_portOpenIcon);
    for (QRadioButton *radio : { m_ui->manualRadio, m_ui->autoRadio, m_ui->triggerRadio })
        radio->setCheckable(true);
}

void MainWindow::showClosed()
{
    m_ui->portCombo->clear();
    m_ui->portCombo->addItem(QString::fromUtf8(portPlaceholder));
    m_ui->statusLabel->setText(QStringLiteral("串口已关闭"));
    m_ui->autoOffButton->setEnabled(false);
    m_ui->saveSettingsButton->setEnabled(false);
    m_ui->disconnectButton->setIcon(m_portClosedIcon);
    // Not checkable also unchecks, silently: no mode frame is sent.
    // setCheckable does not repaint: without update() the old tick stays on screen.
    for (QRadioButton *radio : { m_ui->manualRadio, m_ui->autoRadio, m_ui->triggerRadio }) {
        radio->setCheckable(false);
        radio->update();
    }
    m_ui->triggerSpin->setEnabled(false);
    // Nothing to start with the port closed; choosing a mode enables it again.
    m_ui->startButton->setEnabled(false);
}

void MainWindow::showRunState(RunState state)
{
    const bool running = state == RunState::Running;
    m_ui->startButton->setIcon(running ? m_runningIcon : m_stoppedIcon);
    m_ui->startButton->setToolTip(running ? QStringLiteral("stop") : QStringLiteral("open"));
}

void MainWindow::showError(const QString &text)
{
    QMessageBox::critical(this, QStringLiteral("错误"), text, QMessageBox::Ok);
}

void MainWindow::saveScheme()
{
    bool ok = false;
    const QString name = askName(this, QStringLiteral("方案名称"), QStringLiteral("输入方案名称："),
                                 QString(), &ok);
    if (!ok)
        return;
    // Saving under an existing name replaces that scheme without a question.
    const bool written = m_schemeStore.save(
        name, { m_ui->openSpin->value(), m_ui->closeSpin->value(), m_ui->cycleSpin->value() });
    listSchemes(true);
    m_schemeList->addScheme(name);
    if (written)
        qDebug() << QStringLiteral("方案 (%1) 保存成功").arg(name);
    else
        reportUnsavedSchemes();
}

void MainWindow::listSchemes(bool onlyIfReloaded)
{
    // A reload may have brought another window's changes: show them too.
    const bool reloaded = m_schemeStore.takeReloaded();
    if (reloaded || !onlyIfReloaded)
        m_schemeList->setSchemes(m_schemeStore.names());
}

void MainWindow::showSchemeList()
{
    m_schemeList->show();
    m_schemeList->raise();
}

bool MainWindow::applyScheme(const QString &name)
{
    if (!m_session.isOpen()) {
        QMessageBox::question(this, QString::fromUtf8(noticeTitle), portClosedText(),
                              QMessageBox::Ok);
        return false;
    }
    // The spin boxes clamp: 0 (missing or unusable) becomes 1, above 1000 becomes 1000.
    const SchemeValues values = m_schemeStore.scheme(name);
    m_ui->openSpin->setValue(values.openTime);
    m_ui->closeSpin->setValue(values.closeTime);
    m_ui->cycleSpin->setValue(values.cycles);
    // One road to the device for parameters; it returns once its box is closed.
    const bool sent = sendParameters();
    m_schemeList->close();
    return sent;
}

void MainWindow::deleteScheme(const QString &name)
{
    const bool written = m_schemeStore.remove(name);
    m_schemeList->removeScheme(name);
    listSchemes(true);
    if (written)
        qWarning() << QStringLiteral("方案 (%1) 已删除").arg(name);
    else
        reportUnsavedSchemes();
}

void MainWindow::renameScheme(const QString &name)
{
    bool ok = false;
    const QString newName
        = askName(this, QStringLiteral("重命名"), QStringLiteral("输入你的名字："), name, &ok);
    if (!ok)
        return; // nothing changed, so nothing is written
    // Ask about the schemes stored now: another window may have saved newName meanwhile.
    m_schemeStore.reloadIfChangedElsewhere();
    if (!m_schemeStore.contains(name)) {
        listSchemes(true); // deleted elsewhere: nothing to rename, and the list shows it gone
        return;
    }
    // Renaming onto another scheme replaces it, so ask; two entries must
    // never stand for one record.
    const bool replacesOther = newName != name && m_schemeStore.contains(newName);
    if (replacesOther && !confirmOverwrite(newName)) {
        listSchemes(true);
        return;
    }
    const bool written = m_schemeStore.rename(name, newName);
    if (written)
        qDebug() << QStringLiteral("方案名称已修改：(%1) to (%2)").arg(name, newName);
    // Onto another scheme, this entry goes: its record now has the other's name.
    if (replacesOther)
        m_schemeList->removeScheme(name);
    else
        m_schemeList->renameScheme(name, newName); // keeps its place until a restart
    listSchemes(true); // a reload shows the file
    if (!written)
        reportUnsavedSchemes();
}

bool MainWindow::confirmOverwrite(const QString &name)
{
    // The name is shown as text: a name that looks like markup must not be rendered.
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(noticeTitle),
                    QStringLiteral("方案 (%1) 已存在，是否覆盖？").arg(name),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::reportUnsavedSchemes()
{
    const QString text = QStringLiteral("方案文件写入失败，更改仅在本次运行中保留：%1")
                             .arg(m_schemeStore.lastError());
    qWarning().noquote() << text;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
