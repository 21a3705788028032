#pragma once

#include <QSpinBox>

// Shows the external-trigger sub-mode as a word: 0 "同步", 1 "异步".
class TriggerModeSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit TriggerModeSpinBox(QWidget *parent = nullptr);

protected:
    QString textFromValue(int value) const override;
};
