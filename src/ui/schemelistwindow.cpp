#include "schemelistwindow.h"

#include "schemecolumn.h"
#include "styles.h"

#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {
constexpr int windowSide = 300;
constexpr int columnWidth = 290;
} // namespace

SchemeListWindow::SchemeListWindow(const QIcon &icon)
    : QWidget(nullptr), m_column(new SchemeColumn), m_menu(new QMenu(this))
{
    setWindowIcon(icon);
    setWindowTitle(QStringLiteral("方案列表"));
    setFixedSize(windowSide, windowSide);

    auto *outerLayout = new QVBoxLayout(this);
    auto *scrollArea = new QScrollArea;
    scrollArea->setFixedWidth(columnWidth);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_column->setObjectName(QStringLiteral("ScrollWinDow"));
    m_column->setMinimumSize(columnWidth, windowSide);
    // Not widget-resizable: the column keeps the height that its rows give it.
    scrollArea->setWidget(m_column);
    outerLayout->addWidget(scrollArea);

    connect(m_column, &SchemeColumn::rowClicked, this, &SchemeListWindow::schemeChosen);
    connect(m_column, &SchemeColumn::rowMenuRequested, this,
            [this](const QString &name, const QPoint &at) {
                m_menuScheme = name;
                m_menu->move(at);
                m_menu->show();
            });
    connect(m_menu->addAction(QStringLiteral("删除方案")), &QAction::triggered, this,
            [this] { emit deleteRequested(m_menuScheme); });
    connect(m_menu->addAction(QStringLiteral("重命名方案")), &QAction::triggered, this,
            [this] { emit renameRequested(m_menuScheme); });

    setStyleSheet(loadStyleSheet(StyleSheet::SchemeList));
}

void SchemeListWindow::setSchemes(const QStringList &names)
{
    m_column->setNames(names);
}

void SchemeListWindow::addScheme(const QString &name)
{
    m_column->insertName(name);
}

void SchemeListWindow::removeScheme(const QString &name)
{
    m_column->removeName(name);
}

void SchemeListWindow::renameScheme(const QString &from, const QString &to)
{
    m_column->renameRow(from, to);
}

QStringList SchemeListWindow::schemes() const
{
    return m_column->names();
}

void SchemeListWindow::paintEvent(QPaintEvent *)
{
    // Lets the style sheet paint the background of a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
