#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Points HOME and the XDG folders at a temporary folder for the life of the process,
// so no test touches the real home; made before the application object, aborts without.
class TestHome
{
public:
    TestHome()
    {
        if (!m_dir.isValid())
            qFatal("TestHome: no temporary folder");
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

// A widget test's main(), run in a throw-away home.
#define KAVRIN_WINDOW_TEST_MAIN(TestClass)                                                         \
    static const TestHome testHome;                                                                \
    QTEST_MAIN(TestClass)
