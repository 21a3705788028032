#pragma once

#include <QLabel>

class QAction;
class QMenu;

// One entry of the scheme list: icon and name; left click applies, right click
// opens the delete / rename menu.
class ProgramLabel : public QLabel
{
    Q_OBJECT

public:
    ProgramLabel(const QString &name, const QString &toolTip);

    QLabel *nameLabel = nullptr;
    QMenu *menu = nullptr;
    QAction *deleteAction = nullptr;
    QAction *renameAction = nullptr;

    void showMenu();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
