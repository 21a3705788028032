#include "ui/kavrin_ui.h"

#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

void Kavrin_ui::setupUi(QMainWindow *w)
{
    countDisplay = new QTextEdit(w);
    openSpin = new QSpinBox(w);
    closeSpin = new QSpinBox(w);
    cycleSpin = new QSpinBox(w);
    triggerSpin = new StrSpinBox(w);
    statusLabel = new QLabel(w);
    startButton = new QPushButton(w);
    autoOffButton = new QPushButton(w);
    portCombo = new ClickedComboBox(w);
    manualRadio = new QRadioButton(w);
    autoRadio = new QRadioButton(w);
    triggerRadio = new QRadioButton(w);
    disconnectButton = new QPushButton(w);
    saveSchemeButton = new QPushButton(w);
    importSchemeButton = new QPushButton(w);
    logCheck = new QCheckBox(w);
    logEdit = new QTextEdit(w);
    saveSettingsButton = new QPushButton(w);
    helpButton = new QPushButton(w);
}
