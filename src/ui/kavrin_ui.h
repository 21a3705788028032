#pragma once

class ClickedComboBox;
class QLabel;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QSpinBox;
class QTextEdit;
class StrSpinBox;

// The main window's widget tree: absolute positions, no layouts.
class Kavrin_ui
{
public:
    QTextEdit *countDisplay = nullptr;
    QSpinBox *openSpin = nullptr;
    QSpinBox *closeSpin = nullptr;
    QSpinBox *cycleSpin = nullptr;
    StrSpinBox *triggerSpin = nullptr;
    QLabel *statusLabel = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *autoOffButton = nullptr;
    ClickedComboBox *portCombo = nullptr;
    QRadioButton *manualRadio = nullptr;
    QRadioButton *autoRadio = nullptr;
    QRadioButton *triggerRadio = nullptr;
    QPushButton *disconnectButton = nullptr;
    QPushButton *saveSchemeButton = nullptr;
    QPushButton *importSchemeButton = nullptr;
    QCheckBox *logCheck = nullptr;
    QTextEdit *logEdit = nullptr;
    QPushButton *saveSettingsButton = nullptr;
    QPushButton *helpButton = nullptr;

    void setupUi(QMainWindow *window);
};

// The window's style sheet, exactly as applied.
extern const char *const mainStyleSheet;
