#pragma once
// The one place where libjpeg's errors land: the library's error exit keeps its message and
// becomes a longjmp back to the call that ran the step, and a false result there. Warnings are not
// printed; a warning that the data ended early is remembered, so a reader that must not accept a
// patched-up picture can refuse it.
#include <csetjmp>

#include <stdio.h> // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX]; // the library's text for the error that sprang the trap
    // The compressed data ended before the picture did (libjpeg fills in the rest).
    bool endedEarly;
};

// Installs the trap as the error manager's behaviour; cinfo->err must point at trap.manager.
void armTrap(JpegErrorTrap &trap);

// Runs step(owner); false when libjpeg raised an error inside it. Nothing with a destructor
// may live in the frames between here and the library's longjmp: steps hold only pointers.
template <typename Owner>
bool runTrapped(JpegErrorTrap &trap, void (*step)(Owner *), Owner *owner) {
    if (setjmp(trap.jump) != 0)
        return false;
    step(owner);
    return true;
}
