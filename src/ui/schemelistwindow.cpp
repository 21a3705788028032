#include "schemelistwindow.h"

#include "schemeentry.h"
#include "styles.h"

#include <QPainter>
#include <QScrollArea>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {
constexpr int windowSide = 300;
constexpr int columnWidth = 290;
constexpr int entryHeight = 60; // the column grows by this much per scheme
} // namespace

SchemeListWindow::SchemeListWindow(const QIcon &icon)
    : QWidget(nullptr), m_listContainer(new QWidget), m_listLayout(new QVBoxLayout(m_listContainer))
{
    setWindowIcon(icon);
    setWindowTitle(QStringLiteral("方案列表"));
    setFixedSize(windowSide, windowSide);

    auto *outerLayout = new QVBoxLayout(this);
    auto *scrollArea = new QScrollArea;
    scrollArea->setFixedWidth(columnWidth);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listContainer->setObjectName(QStringLiteral("ScrollWinDow"));
    m_listContainer->setMinimumSize(columnWidth, windowSide);
    // Not widget-resizable: the container keeps the height that the list gives it.
    scrollArea->setWidget(m_listContainer);
    outerLayout->addWidget(scrollArea);

    setStyleSheet(loadStyleSheet(StyleSheet::SchemeList));
}

void SchemeListWindow::setSchemes(const QStringList &names)
{
    while (QLayoutItem *item = m_listLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const QString &name : names) {
        auto *entry = new SchemeEntry(name);
        connect(entry, &SchemeEntry::clicked, this,
                [this, entry] { emit schemeChosen(entry->name()); });
        connect(entry, &SchemeEntry::deleteRequested, this,
                [this, entry] { emit deleteRequested(entry->name()); });
        connect(entry, &SchemeEntry::renameRequested, this,
                [this, entry] { emit renameRequested(entry->name()); });
        m_listLayout->addWidget(entry);
    }
    fitHeight();
}

void SchemeListWindow::removeScheme(const QString &name)
{
    SchemeEntry *shown = entryNamed(name);
    if (!shown)
        return;
    m_listLayout->removeWidget(shown);
    shown->hide();
    shown->deleteLater();
    fitHeight();
}

void SchemeListWindow::renameScheme(const QString &from, const QString &to)
{
    if (SchemeEntry *shown = entryNamed(from))
        shown->setName(to);
}

SchemeEntry *SchemeListWindow::entryNamed(const QString &name) const
{
    const QList<SchemeEntry *> all = entries();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&name](const SchemeEntry *e) { return e->name() == name; });
    return it == all.end() ? nullptr : *it;
}

QList<SchemeEntry *> SchemeListWindow::entries() const
{
    QList<SchemeEntry *> list;
    for (int i = 0; i < m_listLayout->count(); ++i)
        list << qobject_cast<SchemeEntry *>(m_listLayout->itemAt(i)->widget());
    return list;
}

void SchemeListWindow::fitHeight()
{
    m_listContainer->setFixedHeight(entryHeight * m_listLayout->count());
}

void SchemeListWindow::paintEvent(QPaintEvent *)
{
    // Lets the style sheet paint the background of a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
