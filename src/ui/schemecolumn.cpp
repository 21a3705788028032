#include "schemecolumn.h"

#include "schemeentry.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLayout>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {
// What a box layout of entries gave the column: a margin around the rows, a
// gap between them, and each row the share of 60 pixels per entry that the
// margins and gaps leave.
constexpr int entryPitch = 60;
constexpr int margin = 9;
constexpr int gap = 6;
constexpr int entryLeft = margin;
constexpr int entryWidth = 272;
} // namespace

SchemeColumn::SchemeColumn(QWidget *parent)
    : QWidget(parent), m_stamp(new SchemeEntry(QString(), this))
{
    m_stamp->hide();
    setMouseTracking(true); // for the row under the mouse
}

void SchemeColumn::setNames(const QStringList &names)
{
    m_names = names;
    m_hoveredRow = -1;
    fitHeight();
    update();
}

void SchemeColumn::insertName(const QString &name)
{
    if (m_names.contains(name))
        return;
    m_names.insert(std::lower_bound(m_names.begin(), m_names.end(), name), name);
    m_hoveredRow = -1;
    fitHeight();
    update();
}

void SchemeColumn::removeName(const QString &name)
{
    const int row = static_cast<int>(m_names.indexOf(name));
    if (row < 0)
        return;
    m_names.removeAt(row);
    m_hoveredRow = -1;
    fitHeight();
    update();
}

void SchemeColumn::renameRow(const QString &from, const QString &to)
{
    const int row = static_cast<int>(m_names.indexOf(from));
    if (row < 0)
        return;
    m_names[row] = to;
    update(rowRect(row));
}

void SchemeColumn::fitHeight()
{
    setFixedHeight(entryPitch * static_cast<int>(m_names.size()));
}

// Row i's height is the layout's: the space left, shared out with the
// remainder rounded as it accumulates.
QRect SchemeColumn::rowRect(int row) const
{
    const auto count = static_cast<double>(m_names.size());
    const double share = (entryPitch * count - 2 * margin - gap * (count - 1)) / count;
    const int top = qRound(row * share);
    const int bottom = qRound((row + 1) * share);
    return { entryLeft, margin + top + gap * row, entryWidth, bottom - top };
}

int SchemeColumn::rowAt(const QPoint &pos) const
{
    if (m_names.isEmpty() || pos.x() < entryLeft || pos.x() >= entryLeft + entryWidth)
        return -1;
    const auto count = static_cast<double>(m_names.size());
    const double share = (entryPitch * count - 2 * margin - gap * (count - 1)) / count;
    const int row = static_cast<int>(std::floor((pos.y() - margin) / (share + gap)));
    for (int near = qMax(0, row - 1); near <= qMin(row + 1, static_cast<int>(count) - 1); ++near) {
        if (rowRect(near).contains(pos))
            return near;
    }
    return -1;
}

void SchemeColumn::paintEvent(QPaintEvent *event)
{
    if (m_names.isEmpty())
        return;
    QPainter painter(this);
    m_stamp->ensurePolished(); // the sheet's margins, before the layout is worked out
    const QRect exposed = event->rect();
    const int first = qMax(0, rowAt({ entryLeft, exposed.top() }) - 1);
    for (int row = first; row < m_names.size(); ++row) {
        const QRect rect = rowRect(row);
        if (rect.top() > exposed.bottom())
            break;
        if (!rect.intersects(exposed))
            continue;
        m_stamp->setName(m_names.at(row));
        m_stamp->setAttribute(Qt::WA_UnderMouse, row == m_hoveredRow);
        // Hidden, the stamp gets no resize event: its layout is set by hand.
        m_stamp->resize(rect.size());
        m_stamp->layout()->setGeometry({ QPoint(), rect.size() });
        painter.drawPixmap(rect.topLeft(), m_stamp->grab());
    }
}

bool SchemeColumn::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const int row = rowAt(help->pos());
    if (row < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    m_stamp->setName(m_names.at(row));
    QToolTip::showText(help->globalPos(), m_stamp->toolTip(), this, rowRect(row));
    return true;
}

void SchemeColumn::mouseMoveEvent(QMouseEvent *event)
{
    setHoveredRow(rowAt(event->pos()));
}

void SchemeColumn::leaveEvent(QEvent *)
{
    setHoveredRow(-1);
}

void SchemeColumn::setHoveredRow(int row)
{
    if (row == m_hoveredRow)
        return;
    if (m_hoveredRow >= 0)
        update(rowRect(m_hoveredRow));
    m_hoveredRow = row;
    if (row >= 0)
        update(rowRect(row));
}

void SchemeColumn::mouseReleaseEvent(QMouseEvent *event)
{
    const int row = rowAt(event->pos());
    if (event->button() == Qt::LeftButton && row >= 0)
        emit rowClicked(m_names.at(row));
}

void SchemeColumn::contextMenuEvent(QContextMenuEvent *event)
{
    const int row = rowAt(event->pos());
    if (row >= 0)
        emit rowMenuRequested(m_names.at(row), event->globalPos());
}
