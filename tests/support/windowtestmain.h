#pragma once

#include "testhome.h"

#include <QApplication>
#include <QtTest>

// Runs a widget test against a throw-away home (the window writes its scheme
// file and logs below it), set before the application object exists.
#define KAVRIN_WINDOW_TEST_MAIN(TestClass)                                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        TestHome home;                                                                             \
        if (!home.isValid())                                                                       \
            return 1;                                                                              \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
