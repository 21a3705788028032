#include "ui/strspinbox.h"

StrSpinBox::StrSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
}

QString StrSpinBox::textFromValue(int value) const { return QSpinBox::textFromValue(value); }
