#include "app/helplauncher.h"

#include <QDebug>
#include <QProcess>
#include <QString>

#ifndef Q_OS_WIN
#include <QDir>
#include <QStringList>
#endif

void openHelp()
{
    qDebug() << "帮助";
    // Detached and unchecked: the viewer reports its own errors and outlives
    // the program. "help.chm" is looked up in the working folder.
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("hh.exe help.chm"));
#else
#ifdef Q_OS_MACOS
    const QString opener = QStringLiteral("open");
#else
    const QString opener = QStringLiteral("xdg-open");
#endif
    // The opener may run elsewhere: hand it the absolute path.
    QProcess::startDetached(opener,
                            { QDir::current().absoluteFilePath(QStringLiteral("help.chm")) });
#endif
}
