#pragma once

#include "testhome.h"

#include <QApplication>
#include <QtTest>

// A widget test against a throw-away home, made before the application object.
#define KAVRIN_WINDOW_TEST_MAIN(TestClass)                                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        TestHome home;                                                                             \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return home.isValid() ? QTest::qExec(&test, argc, argv) : 1;                               \
    }
