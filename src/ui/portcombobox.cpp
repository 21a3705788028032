#include "portcombobox.h"

PortComboBox::PortComboBox(QWidget *parent) : QComboBox(parent) { }

void PortComboBox::showPopup()
{
    emit popupAboutToShow();
    QComboBox::showPopup();
}
