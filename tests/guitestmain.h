// The main() of a widget test program that may run as a Wayland client: QTEST_MAIN's, ended
// the way the program itself ends, so that a run on Wayland cannot hang after its last case.
#pragma once

#include "KEL_processend.h"

#include <QApplication>
#include <QtTest>

#define QUILLET_GUI_TEST_MAIN(TestObject)                                                          \
    int main(int argc, char **argv) {                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        int status = 0;                                                                            \
        {                                                                                          \
            TestObject test;                                                                       \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            status = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        return EndProgram(status);                                                                 \
    }
