#include "schemes/programlist.h"

#include <QPainter>
#include <QScrollArea>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {

const char listStyleSheet[]
    = "QScrollArea{border:none;background-color:rgb(235,235,235);}QScrollArea "
      "QScrollBar:vertical{width:12px;background:transparent;margin:0px,1px,0px,1px;padding-top:"
      "0px;padding-bottom:0px;border-radius:6px;}QScrollArea "
      "QScrollBar::handle:vertical{background:#DCDCDC;border-radius:6px;}QScrollArea "
      "QScrollBar::handle:vertical:hover{background:#808080;border-radius:6px;}QScrollArea "
      "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;border-"
      "radius:6px;}/*设置滑块滑动后一端槽的背景透明*/QScrollArea "
      "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0px;width:0px;}/"
      "*去掉上下箭头*/";

} // namespace

ProgramList::ProgramList(QWidget *mainWindow) : QWidget(nullptr)
{
    listContainer = new QWidget;
    setWindowIcon(mainWindow->windowIcon());
    setWindowTitle(QStringLiteral("方案列表"));
    setFixedSize(300, 300);

    auto *outerLayout = new QVBoxLayout(this);
    auto *scrollArea = new QScrollArea;
    scrollArea->setFixedWidth(290);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    listContainer->setObjectName(QStringLiteral("ScrollWinDow"));
    listContainer->setMinimumSize(290, 300);
    // Not widget-resizable: the container keeps the height that the list gives it.
    scrollArea->setWidget(listContainer);
    listLayout = new QVBoxLayout(listContainer);
    outerLayout->addWidget(scrollArea);

    setStyleSheet(QString::fromUtf8(listStyleSheet));
}

void ProgramList::paintEvent(QPaintEvent *)
{
    // Lets the style sheet paint the background of a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
