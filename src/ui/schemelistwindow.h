#pragma once

#include <QWidget>

class QVBoxLayout;
class SchemeEntry;

// The scheme list: a small window of its own with one entry per scheme in a
// scrolling column. It only shows names and reports the operator's choices by
// name; what a click or a menu choice does is up to whoever listens.
class SchemeListWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeListWindow(const QIcon &icon);

    // Replaces every entry, in the order given.
    void setSchemes(const QStringList &names);
    // Takes one entry out. Entries go once control returns to the event loop,
    // since one may be the sender of the signal being handled.
    void removeScheme(const QString &name);
    // Renames an entry where it stands.
    void renameScheme(const QString &from, const QString &to);
    QList<SchemeEntry *> entries() const;

signals:
    void schemeChosen(const QString &name);
    void deleteRequested(const QString &name);
    void renameRequested(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SchemeEntry *entryNamed(const QString &name) const;
    void fitHeight();

    QWidget *m_listContainer;
    QVBoxLayout *m_listLayout;
};
