#pragma once

#include <QWidget>

class QMenu;
class SchemeColumn;

// The scheme list: a small window of its own with one row per scheme in a
// scrolling column. It only shows names and reports the operator's choices by
// name: a click on a row, or "删除方案" and "重命名方案" from the menu that
// a right click on a row opens.
class SchemeListWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeListWindow(const QIcon &icon);

    // Replaces every row, in the order given.
    void setSchemes(const QStringList &names);
    // Adds a scheme not listed yet in its sorted place.
    void addScheme(const QString &name);
    void removeScheme(const QString &name);
    // Renames a row where it stands.
    void renameScheme(const QString &from, const QString &to);
    QStringList schemes() const;

signals:
    void schemeChosen(const QString &name);
    void deleteRequested(const QString &name);
    void renameRequested(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SchemeColumn *m_column;
    QMenu *m_menu;
    QString m_menuScheme; // whose menu is open
};
