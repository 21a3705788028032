#pragma once

#include "ui/clickedcombobox.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

// Reaches the main window's controls as the operator sees them: by the
// form's names, by tooltip, or in their order on screen.
class WindowDriver
{
public:
    explicit WindowDriver(QWidget *window) : m_window(window) { }

    template<class T = QWidget> T *get(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    // The icon buttons; the start button's tooltip is "open" or "stop".
    QPushButton *button(const QString &toolTip) const
    {
        for (QPushButton *button : m_window->findChildren<QPushButton *>()) {
            if (button->toolTip() == toolTip)
                return button;
        }
        return nullptr;
    }
    // 0 manual, 1 automatic, 2 external trigger
    QRadioButton *radio(int index) const
    {
        return m_window->findChildren<QRadioButton *>().value(index);
    }
    QString status() const { return get<QLabel>("statusLabel")->text(); }
    // Opens the drop-down, which rescans (KAVRIN_EXTRA_PORTS lists the pty),
    // and picks the port.
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
