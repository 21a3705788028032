#include "logretention.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
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

bool removeFile(const QString &path, QString *error)
{
    QFile file(path);
    if (file.remove())
        return true;
    *error = file.errorString();
    return false;
}

QList<LogRemoval> removeOldLogFiles(const QString &directory, const QDateTime &now, int days,
                                    FileRemover remove)
{
    QList<LogRemoval> removals;
    // An empty path would make QDir look at the working directory.
    if (directory.isEmpty())
        return removals;
    const QDir dir(directory);
    if (!dir.exists())
        return removals;
    const QDate today = now.date();
    const QStringList names = dir.entryList({ QStringLiteral("*.log") }, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (logFileAge(name, today) <= days)
            continue;
        LogRemoval removal{ name, QString() };
        if (!remove(dir.filePath(name), &removal.error) && removal.error.isEmpty())
            removal.error = QStringLiteral("unknown error");
        removals << removal;
    }
    return removals;
}

void pruneOldLogs(const QString &directory, const QDateTime &now, int days, FileRemover remove)
{
    for (const LogRemoval &removal : removeOldLogFiles(directory, now, days, remove)) {
        // A file that stayed is not reported as cleared; the next start tries again.
        if (removal.error.isEmpty())
            qDebug() << "清理旧日志：" << removal.name;
        else
            qWarning() << "清理旧日志失败：" << removal.name << removal.error;
    }
}
