#include "schemes/programlabel.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>

namespace {

const char labelStyleSheet[]
    = "QLabel{background-color:rgb(240,240,240);border-radius:1px;font-family:'微软雅黑';font-"
      "size:12px;}QLabel:hover{border-bottom:2px solid #FFA500;background-color: "
      "rgb(240,240,240);}#product_logo{font-family:'微软雅黑';font-size:12px;background-color: "
      "Transparent;}";

} // namespace

ProgramLabel::ProgramLabel(const QString &name, const QString &toolTip) : QLabel(nullptr)
{
    menu = new QMenu(this);
    auto *layout = new QHBoxLayout(this);

    nameLabel = new QLabel(name);
    // A name is whatever the operator typed; "<b>" in it is text, not markup.
    nameLabel->setTextFormat(Qt::PlainText);
    nameLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    nameLabel->setObjectName(QStringLiteral("product_logo"));

    auto *iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("product_logo"));
    iconLabel->setFixedSize(30, 30);
    iconLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconLabel->setPixmap(QPixmap(QStringLiteral(":/log.png")));
    iconLabel->setScaledContents(true);

    setToolTip(toolTip);
    layout->addWidget(iconLabel);
    layout->addWidget(nameLabel);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this] { showMenu(); });

    deleteAction = new QAction(QStringLiteral("删除方案"), this);
    renameAction = new QAction(QStringLiteral("重命名方案"), this);
    menu->addAction(deleteAction);
    menu->addAction(renameAction);

    setStyleSheet(QString::fromUtf8(labelStyleSheet));
}

void ProgramLabel::showMenu()
{
    menu->move(QCursor::pos());
    menu->show();
}

void ProgramLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}
