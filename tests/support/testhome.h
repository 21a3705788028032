#pragma once

#include <QTemporaryDir>

// Points HOME and the XDG folders at a temporary folder for the life of the
// process, so QStandardPaths' Documents is $HOME/Documents and no test
// touches the real home. Made in main(), before the application object.
class TestHome
{
public:
    TestHome()
    {
        const QByteArray home = m_dir.path().toLocal8Bit();
        qputenv("HOME", home);
        for (const char *name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            qputenv(name, home + '/' + name);
        qputenv("XDG_RUNTIME_DIR", home); // private (0700) like the real one
    }
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
