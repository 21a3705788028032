#include "ui/clickedcombobox.h"

ClickedComboBox::ClickedComboBox(QWidget *parent) : QComboBox(parent) { }

void ClickedComboBox::showPopup()
{
    emit clicked();
    QComboBox::showPopup();
}
