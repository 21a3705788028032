#pragma once

#include <QWidget>

class QVBoxLayout;
class SchemeEntry;

// The scheme list: a small window of its own with one entry per scheme in a
// scrolling column. It only shows names; what a click or a menu choice does
// is up to whoever listens to its signals.
class SchemeListWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeListWindow(const QIcon &icon);

    // Replaces every entry, in the order given.
    void setSchemes(const QStringList &names);
    // Takes one entry out; it is deleted once control returns to the event
    // loop, since it may be the sender of the signal being handled.
    void removeEntry(SchemeEntry *entry);
    QList<SchemeEntry *> entries() const;

signals:
    void entryClicked(SchemeEntry *entry);
    void deleteRequested(SchemeEntry *entry);
    void renameRequested(SchemeEntry *entry);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fitHeight();

    QWidget *m_listContainer;
    QVBoxLayout *m_listLayout;
};
