#include "triggermodespinbox.h"

#include <QStringList>

TriggerModeSpinBox::TriggerModeSpinBox(QWidget *parent) : QSpinBox(parent) { }

QString TriggerModeSpinBox::textFromValue(int value) const
{
    static const QStringList words{ QStringLiteral("同步"), QStringLiteral("异步") };
    // Only 0 and 1 have words; a wider range must not index past the list,
    // so any other value is shown as the plain number.
    if (value < 0 || value >= words.size())
        return QSpinBox::textFromValue(value);
    return words.at(value);
}
