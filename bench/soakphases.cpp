#include "soakphases.h"

QVector<SoakPhase> soakPhases()
{
    // The silent phase outlasts the watchdog (seven ticks); a vanishing
    // controller goes away several times within its phase.
    return {
        { QStringLiteral("clean"), {}, 6 },
        { QStringLiteral("split"), { QStringLiteral("--split") }, 6 },
        { QStringLiteral("joined"), { QStringLiteral("--join") }, 6 },
        { QStringLiteral("garbled"), { QStringLiteral("--garbage") }, 6 },
        { QStringLiteral("silent"), { QStringLiteral("--silent") }, 9 },
        { QStringLiteral("wrong-device"), { QStringLiteral("--wrong-device") }, 4 },
        { QStringLiteral("vanishing"),
          { QStringLiteral("--vanish-after"), QStringLiteral("1500") },
          6 },
        { QStringLiteral("all-faults"),
          { QStringLiteral("--split"), QStringLiteral("--join"), QStringLiteral("--garbage") },
          6 },
    };
}

bool memoryGrowsWithoutBound(const QVector<long> &samples)
{
    if (samples.size() < 2)
        return false;
    constexpr long limitKb = 20 * 1024;
    if (samples.last() > samples.first() + limitKb)
        return true;
    constexpr int run = 5;
    if (samples.size() <= run)
        return false;
    for (int i = static_cast<int>(samples.size()) - run; i < samples.size(); ++i) {
        if (samples.at(i) <= samples.at(i - 1))
            return false;
    }
    return samples.last() - samples.at(samples.size() - run - 1) > 8 * 1024;
}

double memorySlopeMbPerHour(const QVector<QPair<double, long>> &samples, double warmUpSeconds)
{
    double n = 0, sumT = 0, sumM = 0, sumTT = 0, sumTM = 0;
    for (const auto &sample : samples) {
        if (sample.first < warmUpSeconds)
            continue;
        const double t = sample.first / 3600.0;
        const double mb = static_cast<double>(sample.second) / 1024.0;
        n += 1;
        sumT += t;
        sumM += mb;
        sumTT += t * t;
        sumTM += t * mb;
    }
    const double spread = n * sumTT - sumT * sumT;
    return n < 2 || spread <= 0 ? 0 : (n * sumTM - sumT * sumM) / spread;
}
