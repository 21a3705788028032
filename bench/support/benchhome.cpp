#include "benchhome.h"

#include <QByteArray>
#include <QTemporaryDir>

QTemporaryDir *useTemporaryHome()
{
    auto *home = new QTemporaryDir;
    if (!home->isValid())
        return home;
    const QByteArray path = home->path().toLocal8Bit();
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qputenv("XDG_CACHE_HOME", path + "/.cache");
    qputenv("XDG_DOCUMENTS_DIR", path + "/Documents");
    qputenv("XDG_RUNTIME_DIR", path);
    return home;
}
