#pragma once

#include <QObject>
#include <QStringList>

// Answers every modal box as soon as it is shown, as an operator clicking Ok
// would, and keeps "title: text" of each.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QObject *parent = nullptr);

    QStringList seen;

private:
    void answer();
};
