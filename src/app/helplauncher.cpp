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
// The same pages as HTML, installed off Windows for desktops without a CHM viewer.
const char helpIndexName[] = "help/index.html";

// The first of the places the program looks that holds name, or none.
QString locateHelp(const QString &name)
{
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
    return QString();
}

#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
constexpr int queryTimeout = 2000; // ms

// Whether the desktop has a program for CHM files; a clean Debian or Ubuntu has none.
bool chmViewerRegistered()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                { QStringLiteral("query"), QStringLiteral("default"),
                  QStringLiteral("application/vnd.ms-htmlhelp") });
    return query.waitForFinished(queryTimeout) && query.exitStatus() == QProcess::NormalExit
        && query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}
#endif

} // namespace

QString helpFilePath()
{
    const QString found = locateHelp(QLatin1String(helpFileName));
    return found.isEmpty() ? QDir::current().absoluteFilePath(QLatin1String(helpFileName)) : found;
}

void openHelp()
{
    qDebug() << "帮助";
    // Detached and unchecked: the viewer reports its own errors and outlives
    // the program. It may run elsewhere, so it gets the absolute path.
#if defined(Q_OS_WIN)
    QProcess::startDetached(QStringLiteral("hh.exe"), { QDir::toNativeSeparators(helpFilePath()) });
#elif defined(Q_OS_MACOS)
    QProcess::startDetached(QStringLiteral("open"), { helpFilePath() });
#else
    // With nothing to open a CHM file, the desktop's opener would do nothing
    // visible: the HTML pages go to the browser instead.
    const QString pages = locateHelp(QLatin1String(helpIndexName));
    const bool asPages = !pages.isEmpty() && !chmViewerRegistered();
    QProcess::startDetached(QStringLiteral("xdg-open"), { asPages ? pages : helpFilePath() });
#endif
}
