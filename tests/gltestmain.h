// The main() of a test program that draws with OpenGL: the X server when there is one,
// otherwise offscreen, where every case skips.
#pragma once

#include "KEL_glpanel.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QtTest>

#define QUILLET_GL_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char **argv) {                                                              \
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");                                               \
        QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());                           \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
