#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QVector>
#include <QtGlobal>

// Points HOME and the XDG folders at a temporary folder for the life of the
// object, so QStandardPaths' Documents is $HOME/Documents and no test touches
// the real home. Create it before the application object; restores the
// environment when it goes. Tests and benchmarks share it.
class TestHome
{
public:
    TestHome()
    {
        for (const char *name : names) {
            saved.append({ name, qEnvironmentVariableIsSet(name), qgetenv(name) });
        }
        const QByteArray home = dir.path().toLocal8Bit();
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        // Private (0700) like the real one, so Qt does not complain.
        qputenv("XDG_RUNTIME_DIR", home);
    }
    ~TestHome()
    {
        for (const Saved &s : saved) {
            if (s.wasSet)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }

private:
    struct Saved
    {
        const char *name;
        bool wasSet;
        QByteArray value;
    };
    static constexpr const char *names[]
        = { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR" };
    QTemporaryDir dir;
    QVector<Saved> saved;
};
