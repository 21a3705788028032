#include "schemeentry.h"

#include "styles.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>

namespace {
constexpr int iconSide = 30;
} // namespace

SchemeEntry::SchemeEntry(const QString &name, QWidget *parent)
    : QWidget(parent), m_nameLabel(new QLabel), m_menu(new QMenu(this))
{
    setAttribute(Qt::WA_Hover); // the sheet underlines the entry under the mouse
    setName(name);
    auto *layout = new QHBoxLayout(this);

    auto *iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("product_logo"));
    iconLabel->setFixedSize(iconSide, iconSide);
    iconLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconLabel->setPixmap(QPixmap(QStringLiteral(":/log.png")));
    iconLabel->setScaledContents(true);

    // A name is whatever the operator typed; "<b>" in it is text, not markup.
    m_nameLabel->setTextFormat(Qt::PlainText);
    m_nameLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_nameLabel->setObjectName(QStringLiteral("product_logo"));

    layout->addWidget(iconLabel);
    layout->addWidget(m_nameLabel);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this] { showMenu(); });
    QAction *deleteAction = m_menu->addAction(QStringLiteral("删除方案"));
    QAction *renameAction = m_menu->addAction(QStringLiteral("重命名方案"));
    connect(deleteAction, &QAction::triggered, this, &SchemeEntry::deleteRequested);
    connect(renameAction, &QAction::triggered, this, &SchemeEntry::renameRequested);

    setStyleSheet(loadStyleSheet(StyleSheet::SchemeEntry));
}

QString SchemeEntry::name() const
{
    return m_nameLabel->text();
}

void SchemeEntry::setName(const QString &name)
{
    m_nameLabel->setText(name);
    // The column cuts a long name: the tool tip shows it whole, as text (markup
    // escaped, line breaks and blanks kept). It sits on the entry, since the
    // label lets the mouse through to the entry.
    setToolTip(
        name.isEmpty()
            ? QString()
            : QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(name.toHtmlEscaped()));
}

void SchemeEntry::showMenu()
{
    m_menu->move(QCursor::pos());
    m_menu->show();
}

void SchemeEntry::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void SchemeEntry::paintEvent(QPaintEvent *)
{
    // Lets the style sheet paint the background and border of a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
