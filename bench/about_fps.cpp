// Opens the About window for a few seconds and reports how many frames it drew and showed
// per second and how much processor time the process took meanwhile.
//
//   about_fps [SECONDS]
#include "KEL_glpanel.h"
#include "uabout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char **argv) {
    QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    Tfabout about;
    TKEL_glpanel *panel = about.KEL_glpanel1;
    long ticks = 0, shown = 0;
    // The window's own frame event, counted on its way.
    panel->setThreadEvent([&] {
        ++ticks;
        about.KEL_glpanel1ThreadEvent();
    });
    QObject::connect(panel, &QOpenGLWidget::frameSwapped, [&] { ++shown; });
    about.show();

    QElapsedTimer wall;
    double cpuAtStart = 0;
    // One second to settle (first paints, shader compiles), then the measured span.
    QTimer::singleShot(1000, [&] {
        panel->makeCurrent();
        const auto *renderer = reinterpret_cast<const char *>(
            QOpenGLContext::currentContext()->functions()->glGetString(GL_RENDERER));
        std::printf("renderer: %s\n", renderer ? renderer : "?");
        panel->doneCurrent();
        ticks = shown = 0;
        cpuAtStart = cpuSeconds();
        wall.start();
        QTimer::singleShot(seconds * 1000, [&] {
            const double elapsed = wall.nsecsElapsed() / 1e9;
            std::printf("frames drawn: %.1f per second\n", ticks / elapsed);
            std::printf("frames shown: %.1f per second\n", shown / elapsed);
            std::printf("processor: %.1f%% of one core\n",
                        100 * (cpuSeconds() - cpuAtStart) / elapsed);
            app.quit();
        });
    });
    return app.exec();
}
