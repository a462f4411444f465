#include "KEL_processend.h"

#include <QGuiApplication>

#include <cstdio>
#include <iostream>
#include <unistd.h>

int EndProgram(int status) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return status;
    std::cout.flush();
    std::fflush(nullptr);
    ::_exit(status);
}
