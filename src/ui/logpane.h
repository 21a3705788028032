#pragma once

#include "boundedring.h"

#include <QAbstractScrollArea>

// The log pane: the newest log lines as plain text (markup in a message is
// never interpreted), one line each, the newest at the bottom. A text
// document costs kilobytes a line; this keeps each line as its string and
// draws only the lines in view. The operator scrolls with the wheel and the
// keys, selects whole lines with the mouse and copies them.
class LogPane : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // The day's file keeps every line; the pane keeps the newest this many.
    static constexpr int lineLimit = 10000;

    explicit LogPane(QWidget *parent = nullptr);

    // A message holding line breaks becomes several lines. Shows the newest
    // line at the bottom, scrolled to its left edge.
    void appendLine(const QString &text);
    int lineCount() const { return m_lines.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Line
    {
        QString text;
        int width;
    };

    Line measured(const QString &text);
    void measureAll();
    void addLine(const QString &text);
    void updateScrollBars();
    int rowAt(int y) const;
    bool isSelected(qint64 number) const;
    bool hasSelection() const;
    void selectAll();
    void copy() const;

    BoundedRing<Line> m_lines{ lineLimit };
    // Lines are numbered from the first ever added; row 0 holds number m_dropped.
    qint64 m_dropped = 0;
    qint64 m_anchor = -1; // the selection, as line numbers; -1: none
    qint64 m_cursor = -1;
    int m_widest = 0;
    int m_lineHeight = 1;
    int m_ascent = 0;
};
