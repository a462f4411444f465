// The program's windows side by side, and the controls in settings no window uses, for people
// to look at. With --screenshot FILE it saves a picture of the window and quits.
#include "KEL_common.h"
#include "KEL_glpanel.h"
#include "gallerywindow.h"
#include "screenshot.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSurfaceFormat>

int main(int argc, char *argv[]) {
    // The About window's OpenGL panel needs its surface chosen before the application exists.
    QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet-gallery"));
    InstallPaletteColorResolver();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the Quillet windows and controls."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a PNG picture of the window to <file> and quit."),
        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    GalleryWindow window;
    window.show();
    if (parser.isSet(screenshot))
        ScreenshotWhenShown(&window, parser.value(screenshot));
    return QApplication::exec();
}
