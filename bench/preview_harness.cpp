// Decodes each photo named on the command line for the main window's preview box, the way
// the preview does, and prints the time each took and the process's peak memory.
//
//   preview_harness ROUNDS PHOTO...
#include "previewdecode.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROUNDS PHOTO...\n", argv[0]);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    for (int i = 2; i < argc; ++i) {
        double best = 1e30;
        PixelSize source{};
        for (int r = 0; r < rounds; ++r) {
            const auto start = std::chrono::steady_clock::now();
            // The preview box of the main window: 72 x 127 pixels.
            const auto picture = DecodePreview(argv[i], {72, 127});
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (!picture) {
                std::fprintf(stderr, "%s: no preview\n", argv[i]);
                return 1;
            }
            source = picture->source;
            best = std::min(best, took.count());
        }
        const double megapixels = double(source.width) * source.height / 1e6;
        std::printf("%-40s %6.1f MP  %7.1f ms  %5.1f ms per 24 MP\n", argv[i], megapixels, best,
                    best * 24 / megapixels);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
