#include "ui/kavrin_ui.h"

#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QCheckBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTextEdit>

// The images live in a static library, whose resource initialiser the linker
// would otherwise drop; Q_INIT_RESOURCE must be used outside any namespace.
static void initImageResources()
{
    Q_INIT_RESOURCE(images);
}

namespace {

QPushButton *iconButton(QMainWindow *w, const QString &icon, int iconSide)
{
    auto *button = new QPushButton(w);
    button->setObjectName(QStringLiteral("but"));
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(iconSide, iconSide));
    return button;
}

QSpinBox *parameterSpin(QMainWindow *w, int value, int y)
{
    auto *spin = new QSpinBox(w);
    spin->setValue(value);
    spin->setMinimum(1);
    spin->setMaximum(1000);
    spin->move(90, y);
    spin->setMaximumWidth(70);
    return spin;
}

QRadioButton *modeRadio(QMainWindow *w, int y)
{
    auto *radio = new QRadioButton(w);
    radio->setObjectName(QStringLiteral("RadioButton"));
    radio->move(600, y);
    radio->resize(30, 30);
    // Modes are chosen only once a port is open; opening the port makes them checkable.
    radio->setCheckable(false);
    return radio;
}

QFrame *separator(QMainWindow *w, int x, int y, int height)
{
    auto *line = new QFrame(w);
    line->setFrameShape(QFrame::VLine);
    line->move(x, y);
    line->resize(2, height);
    return line;
}

QLabel *pictureLabel(QMainWindow *w, const QString &picture)
{
    auto *label = new QLabel(w);
    label->setPixmap(QPixmap(picture));
    label->setScaledContents(true);
    return label;
}

} // namespace

void Kavrin_ui::setupUi(QMainWindow *w)
{
    initImageResources();

    w->setObjectName(QStringLiteral("Mainwindow"));
    w->setFixedSize(720, 450);
    w->setWindowIcon(QIcon(QStringLiteral(":./product.png")));
    w->setWindowTitle(QStringLiteral("Kavrin V1.0.3 Beta"));

    countDisplay = new QTextEdit(w);
    countDisplay->move(5, 5);
    countDisplay->resize(160, 50);
    countDisplay->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    countDisplay->setReadOnly(true);

    (new QLabel(QStringLiteral("时间单位100ms"), w))->move(40, 55);

    const QStringList parameterCaptions{ QStringLiteral("快门开："), QStringLiteral("快门关："),
                                         QStringLiteral("循环次数："),
                                         QStringLiteral("外部触发：") };
    for (int i = 0; i < parameterCaptions.size(); ++i)
        (new QLabel(parameterCaptions.at(i), w))->move(5, 100 + 50 * i);

    saveSettingsButton = new QPushButton(QStringLiteral("保存设置"), w);
    saveSettingsButton->setObjectName(QStringLiteral("Buttontext"));
    saveSettingsButton->move(50, 300);
    saveSettingsButton->setFixedWidth(80);
    saveSettingsButton->setEnabled(false);

    pictureLabel(w, QStringLiteral(":/halvo.png"))->move(20, 350);
    QLabel *bigLogo = pictureLabel(w, QStringLiteral(":/Halvo_Logo.png"));
    bigLogo->move(450, 350);
    bigLogo->resize(230, 80);

    auto *urlLabel = new QLabel(w);
    urlLabel->setObjectName(QStringLiteral("url_label"));
    urlLabel->move(2, 400);
    urlLabel->setText(
        QStringLiteral("Halvo光电仪器有限公司："
                       "<a style=\"font-size:13px;font-family:微软雅黑;color:#FFA500;\" "
                       "href=\"https://www.halvo.example.com\">官方网站</a>"));
    urlLabel->setOpenExternalLinks(true);
    urlLabel->adjustSize();

    openSpin = parameterSpin(w, 2, 100);
    closeSpin = parameterSpin(w, 2, 150);
    cycleSpin = parameterSpin(w, 10, 200);

    triggerSpin = new StrSpinBox(w);
    triggerSpin->move(90, 250);
    triggerSpin->setMaximumWidth(70);
    triggerSpin->setEnabled(false);
    triggerSpin->setRange(0, 1);
    // A spin box fills its text only when a value is set or it is shown;
    // setting the value gives it its word at once.
    triggerSpin->setValue(0);

    separator(w, 190, 80, 260);

    statusLabel = new QLabel(QStringLiteral("请先选择串口"), w);
    statusLabel->move(245, 25);
    statusLabel->resize(200, 20);

    // The tooltip doubles as the start/stop state: "open" while idle.
    startButton = iconButton(w, QStringLiteral(":/start.png"), 50);
    startButton->setToolTip(QStringLiteral("open"));
    startButton->move(240, 100);
    startButton->setFixedSize(60, 60);
    startButton->setEnabled(false);

    autoOffButton = iconButton(w, QStringLiteral(":/close.png"), 60);
    autoOffButton->setToolTip(QStringLiteral("自动模式关闭"));
    autoOffButton->move(330, 100);
    autoOffButton->setFixedSize(60, 60);
    autoOffButton->setEnabled(false);

    separator(w, 450, 5, 200);

    const QStringList controlCaptions{ QStringLiteral("手动模式"),     QStringLiteral("自动模式"),
                                       QStringLiteral("外部触发模式"), QStringLiteral("连接"),
                                       QStringLiteral("断开"),         QStringLiteral("日志") };
    for (int i = 0; i < controlCaptions.size(); ++i)
        (new QLabel(controlCaptions.at(i), w))->move(470, 50 * i + 25);

    portCombo = new ClickedComboBox(w);
    portCombo->addItem(QStringLiteral("请选择串口"));
    portCombo->move(570, 180);
    portCombo->resize(90, 23);

    manualRadio = modeRadio(w, 25);
    autoRadio = modeRadio(w, 80);
    triggerRadio = modeRadio(w, 130);

    disconnectButton = new QPushButton(w);
    disconnectButton->setObjectName(QStringLiteral("disconnect"));
    disconnectButton->setIcon(QIcon(QStringLiteral(":/circle.png")));
    disconnectButton->setIconSize(QSize(30, 30));
    disconnectButton->move(603, 220);
    disconnectButton->resize(30, 30);

    saveSchemeButton = iconButton(w, QStringLiteral(":/save.png"), 38);
    saveSchemeButton->setToolTip(QStringLiteral("保存方案"));
    saveSchemeButton->move(240, 230);
    saveSchemeButton->setFixedSize(50, 50);

    importSchemeButton = iconButton(w, QStringLiteral(":/import.png"), 43);
    importSchemeButton->setToolTip(QStringLiteral("导入方案"));
    importSchemeButton->move(330, 230);
    importSchemeButton->setFixedSize(50, 50);

    logCheck = new QCheckBox(w);
    logCheck->move(610, 275);
    logCheck->setChecked(true);

    // Created after the big logo so that it covers it while shown.
    logEdit = new QTextEdit(w);
    logEdit->setObjectName(QStringLiteral("mLog_edit"));
    logEdit->move(200, 320);
    logEdit->resize(510, 120);
    logEdit->setLineWrapMode(QTextEdit::NoWrap);
    logEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logEdit->setReadOnly(true);

    helpButton = iconButton(w, QStringLiteral(":/help.png"), 25);
    helpButton->setToolTip(QStringLiteral("帮助"));
    helpButton->move(680, 5);
    helpButton->resize(25, 25);

    w->setStyleSheet(QString::fromUtf8(mainStyleSheet));
}
