#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Window tests run against a throw-away home: the window writes its scheme
// file and logs below it. Set before the application object exists.
#define KAVRIN_WINDOW_TEST_MAIN(TestClass)                                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        if (!home.isValid())                                                                       \
            return 1;                                                                              \
        qputenv("HOME", home.path().toLocal8Bit());                                                \
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());                      \
        qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());                   \
        qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toLocal8Bit());                        \
        qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toLocal8Bit());                  \
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());                                     \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
