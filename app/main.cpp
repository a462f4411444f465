// Program start: the application object, then the windows in their fixed order; the main
// window comes first, and closing it ends the program.
#include "KEL_common.h"
#include "KEL_glpanel.h"
#include "KEL_processend.h"
#include "application.h"
#include "commandline.h"
#include "displaycheck.h"
#include "filenames.h"
#include "signalclose.h"
#include "uabout.h"
#include "umain.h"
#include "uupdate.h"

#include <QSurfaceFormat>

#include <cstdio>

int main(int argc, char **argv) {
    const TCommandLine line = ReadCommandLine(NamesOfArguments(argc, argv).mid(1));
    if (const std::optional<int> status = AnswerInfoRequest(line, QUILLET_VERSION_STRING))
        return *status;
    const DisplayChoice display =
        DisplayChoiceOf(NativeName(line.platform), NativeName(line.display));
    if (const std::optional<std::string> missing = MissingDisplay(display)) {
        std::fprintf(stderr, "quillet: no display found (%s)\n", missing->c_str());
        return 1;
    }
    // The About window's OpenGL panel needs its surface chosen before the application exists.
    QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());
    TApplication application(argc, argv);
    InstallPaletteColorResolver();

    int status = 0;
    {
        TForm1 Form1;
        CloseOnTerminationSignals(Form1);
        // Photos named on the command line (or by "Open with") join the list as if added by hand.
        Form1.AddFiles(StartFiles(line.paths));
        // The main window goes on screen first; show() returns once it is mapped.
        Form1.show();
        // The About window and then the Update window, hidden until shown; the main window's
        // About button opens the first. Both exist before the event loop delivers any input.
        Tfabout fabout(&Form1);
        Form1.setAboutWindow(&fabout);
        // The build is compared when the conversation runs: the About window, the only way in,
        // has read it by then.
        Tfupdate fupdate([&fabout] { return fabout.BuildNumber; }, &fabout);
        fabout.setUpdateWindow(&fupdate);
        status = application.exec();
    }
    return EndProgram(status);
}
