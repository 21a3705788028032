#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Runs a widget test with HOME and the XDG folders in a throw-away folder, set
// before the application exists (fonts, logs and schemes are written below
// them); the environment is put back when the tests are done.
#define KAVRIN_UI_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        if (!home.isValid())                                                                       \
            return 1;                                                                              \
        const char *names[]                                                                        \
            = { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR" }; \
        const char *subdirs[] = { "", "/.config", "/.local/share", "/.cache", "" };                \
        QList<QPair<bool, QByteArray>> saved;                                                      \
        for (int i = 0; i < 5; ++i) {                                                              \
            saved.append({ qEnvironmentVariableIsSet(names[i]), qgetenv(names[i]) });              \
            qputenv(names[i], (home.path() + QLatin1String(subdirs[i])).toLocal8Bit());            \
        }                                                                                          \
        int result = 0;                                                                            \
        {                                                                                          \
            QApplication app(argc, argv);                                                          \
            TestClass test;                                                                        \
            result = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        for (int i = 0; i < 5; ++i) {                                                              \
            if (saved.at(i).first)                                                                 \
                qputenv(names[i], saved.at(i).second);                                             \
            else                                                                                   \
                qunsetenv(names[i]);                                                               \
        }                                                                                          \
        return result;                                                                             \
    }
