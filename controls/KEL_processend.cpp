#include "KEL_processend.h"

#include <QGuiApplication>

#include <cstdio>
#include <iostream>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_LEAK_CHECK 1
#endif
#ifdef QUILLET_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

int EndProgram(int status) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return status;
    std::cout.flush();
    std::fflush(nullptr);
#ifdef QUILLET_LEAK_CHECK
    // _exit skips the leak check that would run at exit; run it here, so that a leak ends the
    // program with the sanitizer's report and status, as on every other platform.
    __lsan_do_leak_check();
#endif
    ::_exit(status);
}
