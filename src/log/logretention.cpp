#include "log/logretention.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

// Days from the date before the first "." to today; 0 when there is no date.
qint64 logFileAge(const QString &name, const QDate &today)
{
    const QDate day
        = QDate::fromString(name.section(QLatin1Char('.'), 0, 0), QStringLiteral("yyyy-MM-dd"));
    return day.isValid() ? day.daysTo(today) : 0;
}

} // namespace

QStringList removeOldLogFiles(const QString &directory, const QDateTime &now, int days)
{
    QStringList removed;
    // An empty path would make QDir look at the working directory.
    if (directory.isEmpty())
        return removed;
    const QDir dir(directory);
    if (!dir.exists())
        return removed;
    const QDate today = now.date();
    const QStringList names = dir.entryList({ QStringLiteral("*.log") }, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (logFileAge(name, today) > days) {
            QFile::remove(dir.filePath(name));
            removed << name;
        }
    }
    return removed;
}
