// Program start: the application object, then the windows in their fixed order; the main
// window comes first, and closing it ends the program.
#include "KEL_common.h"
#include "application.h"
#include "umain.h"

int main(int argc, char **argv) {
    TApplication application(argc, argv);
    InstallPaletteColorResolver();

    TForm1 Form1;
    // The About window (fabout) and then the Update window (fupdate) are created here, after
    // the main window and hidden until shown; Form1.setAboutWindow(&fabout) wires the
    // About button to the first.

    Form1.show();
    return application.exec();
}
