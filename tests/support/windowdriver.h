#pragma once

#include "ui/clickedcombobox.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

// The main window's controls as the operator finds them: by the form's names, icon
// buttons by tooltip (the start button's is "open" or "stop"), the mode radios in
// their order on screen (manual, automatic, external trigger).
class WindowDriver
{
public:
    explicit WindowDriver(QWidget *window) : m_window(window) { }

    template<class T = QWidget> T *get(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    QPushButton *button(const QString &toolTip) const
    {
        for (QPushButton *button : m_window->findChildren<QPushButton *>()) {
            if (button->toolTip() == toolTip)
                return button;
        }
        return nullptr;
    }
    QRadioButton *radio(int index) const
    {
        return m_window->findChildren<QRadioButton *>().value(index);
    }
    QString status() const { return get<QLabel>("statusLabel")->text(); }
    // Picks the port from the drop-down, rescanned as it opens; true once connected.
    bool openPort(const QString &path) const
    {
        qputenv("KAVRIN_EXTRA_PORTS", path.toLocal8Bit());
        auto *combo = get<ClickedComboBox>("portCombo");
        combo->showPopup();
        combo->hidePopup();
        const int index = combo->findText(path);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        return index >= 0 && status() == QStringLiteral("串口已连接");
    }

private:
    QWidget *m_window;
};
