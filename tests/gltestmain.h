// The main() of a test program that draws with OpenGL: a Wayland compositor when asked for
// (QT_QPA_PLATFORM=wayland), else the X server when there is one, otherwise offscreen, where
// every case skips (GlTestPlatform() says whether OpenGL can be tested).
#pragma once

#include "KEL_glpanel.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QtTest>

inline bool GlTestPlatform() {
    return QGuiApplication::platformName() == QLatin1String("xcb") ||
           QGuiApplication::platformName() == QLatin1String("wayland");
}

#define QUILLET_GL_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char **argv) {                                                              \
        if (qgetenv("QT_QPA_PLATFORM") != "wayland")                                               \
            qputenv("QT_QPA_PLATFORM", "xcb;offscreen");                                           \
        QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());                           \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
