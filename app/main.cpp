// Program start: the application object, then the windows in their fixed order; the main
// window comes first, and closing it ends the program.
#include "KEL_common.h"
#include "application.h"
#include "commandline.h"
#include "umain.h"

int main(int argc, char **argv) {
    if (const std::optional<int> status = AnswerInfoRequest(argc, argv, QUILLET_VERSION_STRING))
        return *status;
    TApplication application(argc, argv);
    InstallPaletteColorResolver();

    TForm1 Form1;
    // Photos named on the command line (or by "Open with") join the list as if added by hand.
    Form1.AddFiles(StartFiles(application.arguments()));
    // The About window (fabout) and then the Update window (fupdate) are created here, after
    // the main window and hidden until shown; Form1.setAboutWindow(&fabout) wires the
    // About button to the first.

    Form1.show();
    return application.exec();
}
