#pragma once

#include <QWidget>

class QLabel;
class QMenu;

// One entry of the scheme list: icon and name, the whole name in a tool tip.
// A left click emits clicked(); a right click opens a menu whose choices emit
// deleteRequested() and renameRequested().
class SchemeEntry : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeEntry(const QString &name, QWidget *parent = nullptr);

    QString name() const;
    void setName(const QString &name);
    QMenu *menu() const { return m_menu; }

signals:
    void clicked();
    void deleteRequested();
    void renameRequested();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showMenu();

    QLabel *m_nameLabel;
    QMenu *m_menu;
};
