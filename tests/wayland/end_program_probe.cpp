// Shows a window, leaves a report in the standard streams' buffers, closes the window and ends
// the way Quillet does, with the status its argument names.
#include "KEL_processend.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int status = argc > 1 ? std::stoi(argv[1]) : 0;
    {
        QWidget window;
        window.show();
        QApplication::processEvents();
        std::cout << "stream report on " << QApplication::platformName().toStdString();
        std::printf(", stdio report");
    }
    return EndProgram(status);
}
