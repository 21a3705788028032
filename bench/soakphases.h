#pragma once

#include <QPair>
#include <QStringList>
#include <QVector>

// The line faults the soak switches on in turn, each for a while.
struct SoakPhase
{
    QString name;
    QStringList simulatorOptions;
    int seconds = 0;
};

QVector<SoakPhase> soakPhases();

// True when the samples (kB, oldest first) rise without bound: the end more
// than 20 MB above the start, or each of the last five samples above the one
// before with more than 8 MB gained over them.
bool memoryGrowsWithoutBound(const QVector<long> &samples);

// The least-squares slope of resident memory in MB per hour, fitted to the
// samples (seconds since the start, kB) taken after the warm-up.
double memorySlopeMbPerHour(const QVector<QPair<double, long>> &samples, double warmUpSeconds);
