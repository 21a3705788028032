#include "openport.h"

#include "app/kavrin.h"
#include "ui/clickedcombobox.h"

#include <QSerialPort>

bool openPortAt(Kavrin &window, const QString &path)
{
    window.portCombo->clear();
    window.portCombo->addItem(path);
    window.portCombo->setCurrentIndex(0);
    emit window.portCombo->activated(0);
    return window.serialPort->isOpen();
}
