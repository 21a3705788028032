#include "helplauncher.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace {

const char helpFileName[] = "help.chm";

} // namespace

QString helpFilePath()
{
    const QString name = QLatin1String(helpFileName);
    const QString programDir = QCoreApplication::applicationDirPath();
    // KAVRIN_DATA_FROM_BIN: the installed data folder relative to the
    // program's, so a moved install still finds its help.
    const QStringList candidates{
        QDir::current().absoluteFilePath(name), programDir + QLatin1Char('/') + name,
        QDir::cleanPath(programDir + QStringLiteral("/" KAVRIN_DATA_FROM_BIN "/") + name),
        QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QStringLiteral("kavrin/") + name)
    };
    for (const QString &candidate : candidates)
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile())
            return candidate;
    return candidates.first();
}

void openHelp()
{
    qDebug() << "帮助";
    // Detached and unchecked: the viewer reports its own errors and outlives
    // the program. It may run elsewhere, so it gets the absolute path.
#if defined(Q_OS_WIN)
    const QString viewer = QStringLiteral("hh.exe");
#elif defined(Q_OS_MACOS)
    const QString viewer = QStringLiteral("open");
#else
    const QString viewer = QStringLiteral("xdg-open");
#endif
    QProcess::startDetached(viewer, { QDir::toNativeSeparators(helpFilePath()) });
}
