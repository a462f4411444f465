// Saves SaverSetB and SaverSetA in turn into the file it is given, until it is killed; says
// "saving" once the first save is done.
#include "saversets.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2)
        return 2;
    for (unsigned long i = 0;; ++i) {
        SaveSettings(argv[1], i % 2 == 0 ? SaverSetB : SaverSetA);
        if (i == 0) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
