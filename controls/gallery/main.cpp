// A window showing every control of the library in the settings the program's windows give
// them, plus variants no window uses, for people to look at. With --screenshot FILE it
// saves a picture of the window and quits.
#include "gallerywindow.h"
#include "screenshot.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("controls-gallery"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the Quillet controls."));
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
