#include "logpane.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>

namespace {
constexpr int textMargin = 4; // px around the text, as a text document leaves
} // namespace

LogPane::LogPane(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    measureAll();
}

void LogPane::appendLine(const QString &text)
{
    // The breaks a text editor starts a new paragraph at; drawn on one line
    // they would show as nothing.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    for (const QString &line : text.split(lineBreak))
        addLine(line);
    updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

LogPane::Line LogPane::measured(const QString &text)
{
    // Laid out as a text editor lays out a line, so a line holding glyphs of
    // a fallback font (the Chinese messages) is as tall as it was there.
    QTextLayout layout(text, font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLeadingIncluded(true);
    layout.endLayout();
    if (!line.isValid())
        return { text, 0 };
    m_lineHeight = std::max(m_lineHeight, qCeil(line.height()));
    m_ascent = std::max(m_ascent, qCeil(line.ascent()));
    return { text, qCeil(line.naturalTextWidth()) };
}

void LogPane::measureAll()
{
    const QFontMetrics metrics(font());
    m_lineHeight = metrics.height() + std::max(0, metrics.leading());
    m_ascent = metrics.ascent();
    m_widest = 0;
    for (int row = 0; row < m_lines.size(); ++row) {
        Line &line = m_lines.at(row);
        line.width = measured(line.text).width;
        m_widest = std::max(m_widest, line.width);
    }
    updateScrollBars();
    viewport()->update();
}

void LogPane::addLine(const QString &text)
{
    const bool widestLeaves = m_lines.isFull() && m_lines.at(0).width == m_widest;
    if (m_lines.isFull())
        ++m_dropped;
    m_lines.append(measured(text));
    m_widest = std::max(m_widest, m_lines.at(m_lines.size() - 1).width);
    if (widestLeaves) {
        m_widest = 0;
        for (int row = 0; row < m_lines.size(); ++row)
            m_widest = std::max(m_widest, m_lines.at(row).width);
    }
}

void LogPane::updateScrollBars()
{
    const QSize area = viewport()->size();
    QScrollBar *vertical = verticalScrollBar();
    // A view that showed the newest line keeps showing it when the
    // horizontal bar comes and takes its height.
    const bool atBottom = vertical->value() == vertical->maximum();
    // No margin below the newest line: it sits on the bottom edge, where a
    // text editor scrolls its last line to.
    vertical->setRange(0, std::max(0, textMargin + m_lines.size() * m_lineHeight - area.height()));
    vertical->setPageStep(area.height());
    vertical->setSingleStep(m_lineHeight);
    if (atBottom)
        vertical->setValue(vertical->maximum());
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, 2 * textMargin + m_widest - area.width()));
    horizontal->setPageStep(area.width());
    horizontal->setSingleStep(m_lineHeight);
}

int LogPane::rowAt(int y) const
{
    const int offset = y + verticalScrollBar()->value() - textMargin;
    const int row = offset < 0 ? 0 : offset / m_lineHeight;
    return std::min(row, std::max(0, m_lines.size() - 1));
}

bool LogPane::isSelected(qint64 number) const
{
    return hasSelection() && number >= std::min(m_anchor, m_cursor)
        && number <= std::max(m_anchor, m_cursor);
}

bool LogPane::hasSelection() const
{
    // Selected lines that gave way to newer ones are no longer selected.
    return m_anchor >= 0 && std::max(m_anchor, m_cursor) >= m_dropped;
}

void LogPane::selectAll()
{
    if (m_lines.size() == 0)
        return;
    m_anchor = m_dropped;
    m_cursor = m_dropped + m_lines.size() - 1;
    viewport()->update();
}

void LogPane::copy() const
{
    if (!hasSelection())
        return;
    const qint64 first = std::max(std::min(m_anchor, m_cursor), m_dropped);
    const qint64 last = std::max(m_anchor, m_cursor);
    QStringList lines;
    for (qint64 number = first; number <= last; ++number)
        lines << m_lines.at(static_cast<int>(number - m_dropped)).text;
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void LogPane::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const int top = verticalScrollBar()->value();
    const int left = textMargin - horizontalScrollBar()->value();
    const int last = rowAt(event->rect().bottom());
    for (int row = rowAt(event->rect().top()); row <= last && row < m_lines.size(); ++row) {
        const int y = textMargin + row * m_lineHeight - top;
        const bool selected = isSelected(m_dropped + row);
        if (selected)
            painter.fillRect(0, y, viewport()->width(), m_lineHeight, palette().highlight());
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPoint(left, y + m_ascent), m_lines.at(row).text);
    }
}

void LogPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogPane::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        measureAll();
}

void LogPane::keyPressEvent(QKeyEvent *event)
{
    // As a read-only text editor: Home and End go to the oldest and newest
    // lines, the arrows and page keys scroll (the base class).
    const bool plain = event->modifiers() == Qt::NoModifier;
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (plain && event->key() == Qt::Key_Home) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (plain && event->key() == Qt::Key_End) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LogPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_lines.size() == 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qint64 number = m_dropped + rowAt(event->pos().y());
    if (!(event->modifiers() & Qt::ShiftModifier) || !hasSelection())
        m_anchor = number;
    m_cursor = number;
    viewport()->update();
}

void LogPane::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !hasSelection()) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // Dragging past an edge scrolls a line at a time.
    QScrollBar *vertical = verticalScrollBar();
    if (event->pos().y() < 0)
        vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (event->pos().y() >= viewport()->height())
        vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_cursor = m_dropped + rowAt(event->pos().y());
    viewport()->update();
}

void LogPane::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu a read-only text editor offers.
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("&Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    connect(copyAction, &QAction::triggered, this, &LogPane::copy);
    menu.addSeparator();
    QAction *selectAllAction = menu.addAction(tr("Select All"));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(m_lines.size() > 0);
    connect(selectAllAction, &QAction::triggered, this, &LogPane::selectAll);
    menu.exec(event->globalPos());
}
