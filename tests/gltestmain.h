// The main() of a test program that draws with OpenGL: a Wayland compositor when asked for
// (QT_QPA_PLATFORM=wayland), else the X server when there is one. Without either the program
// runs no case and ends with the status CTest counts as skipped.
#pragma once

#include "KEL_glpanel.h"
#include "KEL_processend.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QtTest>

#include <cstdio>

inline constexpr int QuilletTestSkipped = 77;

#define QUILLET_GL_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char **argv) {                                                              \
        if (qgetenv("QT_QPA_PLATFORM") != "wayland")                                               \
            qputenv("QT_QPA_PLATFORM", "xcb;offscreen");                                           \
        QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());                           \
        QApplication app(argc, argv);                                                              \
        if (!TKEL_glpanel::PlatformShowsPanels()) {                                                \
            std::puts("SKIP: OpenGL needs an X server or a Wayland compositor");                   \
            return QuilletTestSkipped;                                                             \
        }                                                                                          \
        int status = 0;                                                                            \
        {                                                                                          \
            TestObject test;                                                                       \
            status = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        return EndProgram(status);                                                                 \
    }
