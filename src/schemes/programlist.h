#pragma once

#include <QWidget>

class QVBoxLayout;

// The scheme list window: one entry per scheme in a scrolling column.
class ProgramList : public QWidget
{
    Q_OBJECT

public:
    explicit ProgramList(QWidget *mainWindow);

    QWidget *listContainer = nullptr;
    QVBoxLayout *listLayout = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
};
