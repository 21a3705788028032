#pragma once

#include <QComboBox>

// The port selector: emits popupAboutToShow() before its popup opens, so
// the list of ports can be scanned again first.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PortComboBox(QWidget *parent = nullptr);
    void showPopup() override;

signals:
    void popupAboutToShow();
};
