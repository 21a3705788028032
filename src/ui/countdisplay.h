#pragma once

#include <QTextEdit>
#include <QTimer>

// The count the controller reports. Counts can come 480 times a second at
// line rate; nobody reads that fast, and laying the text out each time was
// most of the window's CPU. So a count is shown at once after a quiet spell,
// then at most once per refresh period, the latest one last.
class CountDisplay : public QTextEdit
{
    Q_OBJECT

public:
    explicit CountDisplay(QWidget *parent = nullptr);

    void showCount(const QString &text);
    // Empties the display and drops a count still waiting to be shown.
    void clearCount();

private:
    void showPending();

    QTimer m_refreshTimer;
    QString m_pending; // null: nothing waiting
};
