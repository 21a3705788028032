#include "schemeentry.h"

#include "styles.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>

namespace {
constexpr int iconSide = 30;
} // namespace

SchemeEntry::SchemeEntry(const QString &name, QWidget *parent)
    : QLabel(parent), m_nameLabel(new QLabel), m_menu(new QMenu(this))
{
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
