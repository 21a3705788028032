#include "app/kavrin.h"
#include "log/logline.h"
#include "log/logretention.h"

#include <QDateTime>

void Kavrin::removeOldLogs(int days)
{
    pruneOldLogs(logDirectory(), QDateTime::currentDateTime(), days);
}
