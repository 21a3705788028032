#pragma once

#include <QStringList>
#include <QWidget>

class SchemeEntry;

// The scheme list's column: one row per name, laid out as a column of
// entries in a box layout would be, but painted. One hidden entry is the
// stamp for every row in view, so a list of any length costs one entry's
// widgets, and a change repaints only the rows it moves.
class SchemeColumn : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeColumn(QWidget *parent = nullptr);

    QStringList names() const { return m_names; }
    void setNames(const QStringList &names);
    // Inserts a name not listed yet where the sorted order puts it.
    void insertName(const QString &name);
    void removeName(const QString &name);
    void renameRow(const QString &from, const QString &to);

signals:
    void rowClicked(const QString &name);
    void rowMenuRequested(const QString &name, const QPoint &globalPos);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRect rowRect(int row) const;
    int rowAt(const QPoint &pos) const; // -1: between rows or below the last
    void setHoveredRow(int row);
    void fitHeight();

    QStringList m_names;
    SchemeEntry *m_stamp;
    int m_hoveredRow = -1;
};
