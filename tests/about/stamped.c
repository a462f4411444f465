/* A tiny program for the About window's tests: with STAMP_VERSION it carries a version note
   like the one the build stamps into our executables, without it none. */
#include <stdint.h>

#ifdef STAMP_VERSION
struct version_note {
    uint32_t name_size;
    uint32_t desc_size;
    uint32_t type;
    char name[8];
    uint32_t version[4];
};

__attribute__((section(".note.quillet.version"), used,
               aligned(4))) static const struct version_note note = {
    8, 16, 1, "Quillet", {STAMP_VERSION}};
#endif

int main(void) {
    return 0;
}
