#include "logline.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QString>

QString logTypeLabel(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Info:");
    case QtWarningMsg:
        return QStringLiteral("Warning:");
    case QtCriticalMsg:
        return QStringLiteral("Critical:");
    case QtFatalMsg:
        return QStringLiteral("Fatal:");
    default:
        return QString();
    }
}

QString logTimeStamp(const QDateTime &now)
{
    // The day name in the system locale's language, as Qt 5's
    // QDateTime::toString gives it (Qt 6's gives English names). The default
    // locale is the system's: nothing here sets another.
    return QLocale().toString(now, QStringLiteral("yyyy-MM-dd hh:mm:ss ddd")) + QLatin1Char(':');
}

QString logLine(QtMsgType type, int line, const QString &message, const QDateTime &now)
{
    // One pass over the template: percent signs in the message stay literal.
    return QStringLiteral("%1 %2 %3 >> %4")
        .arg(logTimeStamp(now), logTypeLabel(type), QStringLiteral("Line:%1").arg(line), message);
}

QString logDirectory()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Without a documents folder the path would land in the file system root.
    if (documents.isEmpty())
        return QString();
    return documents + QStringLiteral("/LogFile/Kavrin/");
}

QString logFilePath(const QString &directory, const QDate &day)
{
    return directory + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

bool appendLogLine(const QString &filePath, const QString &line)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        return false;
    QFile file(filePath);
    // No Text mode: the CR LF below is written as it is on every platform.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = line.toLocal8Bit() + QByteArrayLiteral("\r\n");
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written;
}
