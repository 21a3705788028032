#include "schemeentry.h"

#include "styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>

namespace {
constexpr int iconSide = 30;
} // namespace

SchemeEntry::SchemeEntry(const QString &name, QWidget *parent)
    : QWidget(parent), m_nameLabel(new QLabel)
{
    setAttribute(Qt::WA_Hover); // the sheet underlines the entry the mouse is over
    setName(name);
    auto *layout = new QHBoxLayout(this);

    auto *iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("product_logo"));
    iconLabel->setFixedSize(iconSide, iconSide);
    iconLabel->setPixmap(QPixmap(QStringLiteral(":/log.png")));
    iconLabel->setScaledContents(true);

    // A name is whatever the operator typed; "<b>" in it is text, not markup.
    m_nameLabel->setTextFormat(Qt::PlainText);
    m_nameLabel->setObjectName(QStringLiteral("product_logo"));

    layout->addWidget(iconLabel);
    layout->addWidget(m_nameLabel);

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
    // escaped, line breaks and blanks kept).
    setToolTip(
        name.isEmpty()
            ? QString()
            : QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(name.toHtmlEscaped()));
}

void SchemeEntry::paintEvent(QPaintEvent *)
{
    // Lets the style sheet paint the background and border of a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
