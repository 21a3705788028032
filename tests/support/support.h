#pragma once

#include "pseudoterminal.h"

#include <QtTest>
#include <QtWidgets>

#include <termios.h>

// A throw-away HOME and XDG folders for the process's life; make it first.
struct TestHome : QTemporaryDir
{
    QTemporaryDir m_runtime;
    TestHome()
    {
        const QByteArray home = path().toLocal8Bit();
        for (const char *name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            qputenv(name, home + '/' + name);
        // Private (0700) like the real one, and apart from a home that a test empties.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        if (home.isEmpty() || !qputenv("HOME", home))
            qFatal("TestHome: no temporary folder");
    }
};
// clang-format off
#define KAVRIN_TEST_MAIN(TestClass) static const TestHome testHome; QTEST_MAIN(TestClass)
// clang-format on

// A command frame: bytes 8-14 as given, zeros to byte 19, 0A, the CRC as the test states it, 8E.
inline QByteArray commandFrame(const QByteArray &code, const QByteArray &crc)
{
    return QByteArray::fromHex("8E017A0000000000" + code.leftJustified(14, '0') + "00000000000A"
                               + crc + "8E");
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// A pseudo-terminal for the controller: the program opens slavePath(), the test the master side.
struct PtyPair : PseudoTerminal
{
    PtyPair() { open(); }
    QByteArray drain(int ms = 100); // all it gets in that time, running the event loop
    QByteArrayList frames() // drained, cut into command frames
    {
        QByteArrayList frames;
        for (QByteArray bytes = drain(); !bytes.isEmpty(); bytes.remove(0, 24))
            frames << bytes.left(24);
        return frames;
    }
    bool waitUntilTaken(int timeoutMs = 2000); // until the program has read all written
    termios lineSettings() const // as the program set the line up
    {
        termios line{};
        tcgetattr(slaveFd(), &line);
        return line;
    }
};

// Keeps the process's messages as "debug …", "warning …" or "critical …", passing them on.
class MessageCapture
{
public:
    MessageCapture() : m_chained(qInstallMessageHandler(capture)), m_outer(s_active)
    {
        s_active = this;
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_chained);
        s_active = m_outer;
    }
    QStringList lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    static void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        const QStringList types{ "debug", "warning", "critical" };
        s_active->m_lines << types.value(type, "other") + ' ' + text;
        s_active->m_chained(type, context, text); // never null: Qt hands back its default one
    }
    QStringList m_lines;
    QtMessageHandler m_chained;
    MessageCapture *m_outer;
    static inline MessageCapture *s_active = nullptr;
};

// Answers dialogs in turn (text for an input, null cancels; a number: that box button); with no
// answer left it accepts a box or cancels an input and counts a miss; seen: each "title|text".
struct DialogAnswerer : QObject
{
    DialogAnswerer() { startTimer(5); }
    void timerEvent(QTimerEvent *) override
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->property("answered").toBool())
            return;
        dialog->setProperty("answered", true);
        auto *input = qobject_cast<QInputDialog *>(dialog);
        auto *box = qobject_cast<QMessageBox *>(dialog);
        seen << dialog->windowTitle() + '|' + (box ? box->text() : input ? input->labelText() : "");
        const QVariant answer = answers.isEmpty() ? QVariant() : answers.takeFirst();
        if (!answer.isValid())
            misses << seen.last();
        if (input)
            input->setTextValue(answer.toString());
        if (box && answer.isValid())
            box->button(QMessageBox::StandardButton(answer.toInt()))->click();
        else if (input && answer.toString().isNull())
            input->reject();
        else
            dialog->accept();
    }
    QVariantList answers;
    QStringList seen, misses;
};

// The simulated controller, ended with the object; start() is false if it printed no port.
struct Simulator : QProcess
{
    ~Simulator() override { stop(); }
    bool start(const QStringList &options)
    {
        QProcess::start(QStringLiteral(SHUTTER_SIM), options);
        while (waitForStarted(patience) && !canReadLine() && waitForReadyRead(patience)) { }
        port = QString::fromLocal8Bit(readLine()).trimmed();
        return !port.isEmpty();
    }
    QString stop() // returns its stderr
    {
        terminate(); // one that hangs is killed with the object
        waitForFinished(patience);
        return QString::fromLocal8Bit(readAllStandardError());
    }
    static constexpr int patience = 5000; // ms
    QString port;
};

// The main window's controls as the operator finds them: by the form's names, icon buttons by
// tooltip (the start button's is "open" or "stop"), the mode radios in on-screen order.
struct WindowDriver
{
    explicit WindowDriver(QWidget *window) : top(window) { }
    template<class T = QWidget> T *get(const char *name) const { return top->findChild<T *>(name); }
    QPushButton *button(const QString &toolTip) const
    {
        const auto all = top->findChildren<QPushButton *>();
        const auto it
            = std::find_if(all.begin(), all.end(), [&](auto b) { return b->toolTip() == toolTip; });
        return it == all.end() ? nullptr : *it;
    }
    QRadioButton *radio(int i) const { return top->findChildren<QRadioButton *>().value(i); }
    QString status() const { return get<QLabel>("statusLabel")->text(); }
    bool openPort(const QString &path) const // via the drop-down, rescanned as it opens
    {
        qputenv("KAVRIN_EXTRA_PORTS", path.toLocal8Bit());
        auto *combo = get<QComboBox>("portCombo");
        combo->showPopup();
        combo->hidePopup();
        combo->setCurrentIndex(combo->findText(path));
        emit combo->activated(combo->currentIndex());
        return combo->currentText() == path && status() == QStringLiteral("串口已连接");
    }
    QWidget *top;
};
