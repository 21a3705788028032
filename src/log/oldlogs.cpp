#include "app/kavrin.h"
#include "log/logline.h"
#include "log/logretention.h"

#include <QDateTime>
#include <QDebug>
#include <QStringList>

void Kavrin::removeOldLogs(int days)
{
    const QStringList removed
        = removeOldLogFiles(logDirectory(), QDateTime::currentDateTime(), days);
    // Reported even when the deletion failed: the next start tries again.
    for (const QString &name : removed)
        qDebug() << "清理旧日志：" << name;
}
