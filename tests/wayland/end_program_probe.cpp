// Shows a window, leaves a report in the standard streams' buffers, closes the window and ends
// the way Quillet does, with the status its argument names; a second argument "leak" leaves a
// block unfreed first.
#include "KEL_processend.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <iostream>
#include <string>

// Written through, so the block is really allocated and then really lost.
char *volatile leaked = nullptr;

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int status = argc > 1 ? std::stoi(argv[1]) : 0;
    if (argc > 2 && std::string(argv[2]) == "leak") {
        leaked = new char[64];
        leaked = nullptr;
    }
    {
        QWidget window;
        window.show();
        QApplication::processEvents();
        std::cout << "stream report on " << QApplication::platformName().toStdString();
        std::printf(", stdio report");
    }
    return EndProgram(status);
}
