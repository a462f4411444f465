#include "jpegtrap.h"

namespace {

[[noreturn]] void leaveThroughTrap(j_common_ptr cinfo) {
    auto *trap = reinterpret_cast<JpegErrorTrap *>(cinfo->err);
    // The text is formatted now: the message parameters belong to this error only.
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// Level -1 is a warning; the others are trace messages.
void noteWarning(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    const int code = cinfo->err->msg_code;
    // Both mean the entropy-coded data stopped short: a truncated or cut file.
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
        reinterpret_cast<JpegErrorTrap *>(cinfo->err)->endedEarly = true;
}

void ignoreOutput(j_common_ptr) {}

} // namespace

void armTrap(JpegErrorTrap &trap) {
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = leaveThroughTrap;
    trap.manager.emit_message = noteWarning;
    trap.manager.output_message = ignoreOutput;
    trap.endedEarly = false;
}
