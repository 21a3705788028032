#include "ptyline.h"

#include "app/kavrin.h"
#include "ui/clickedcombobox.h"

#include <QSerialPort>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyLine::PtyLine()
{
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    // Raw from the start: no echo or line editing before the window sets its own.
    termios settings{};
    if (tcgetattr(master, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(master, TCSANOW, &settings);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PtyLine::~PtyLine()
{
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
}

bool openWindowPort(Kavrin &window, const QString &path)
{
    window.portCombo->clear();
    window.portCombo->addItem(path);
    window.portCombo->setCurrentIndex(0);
    emit window.portCombo->activated(0);
    return window.serialPort->isOpen();
}
