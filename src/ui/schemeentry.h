#pragma once

#include <QWidget>

class QLabel;

// How one scheme looks in the scheme list: icon and name, the whole name in
// a tool tip. The list paints its rows with one of these.
class SchemeEntry : public QWidget
{
    Q_OBJECT

public:
    explicit SchemeEntry(const QString &name, QWidget *parent = nullptr);

    QString name() const;
    void setName(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_nameLabel;
};
