#pragma once

#include <QComboBox>

// Emits clicked() before its popup opens, so the list can be refilled first.
class ClickedComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ClickedComboBox(QWidget *parent = nullptr);
    void showPopup() override;

signals:
    void clicked();
};
