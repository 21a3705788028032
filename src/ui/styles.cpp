#include "styles.h"

#include <QFile>

// The sheets and images live in a static library, whose resource
// initialisers the linker would otherwise drop; Q_INIT_RESOURCE must be used
// outside any namespace.
static void initUiResources()
{
    Q_INIT_RESOURCE(images);
    Q_INIT_RESOURCE(styles);
}

QString loadStyleSheet(StyleSheet sheet)
{
    initUiResources();
    const char *path = ":/styles/mainwindow.qss";
    if (sheet == StyleSheet::SchemeList)
        path = ":/styles/schemelist.qss";
    else if (sheet == StyleSheet::SchemeEntry)
        path = ":/styles/schemeentry.qss";
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}
