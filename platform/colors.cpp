#include "colors.h"

#include <atomic>

namespace {

TColor classicSystemColor(TColor c) {
    switch (c & 0xFF) {
    case 5: // window
        return clWhite;
    case 13: // highlight
        return rgbColor(0, 120, 215);
    case 14: // highlight text
        return clWhite;
    case 15: // button face
        return rgbColor(240, 240, 240);
    case 16: // button shadow
        return rgbColor(160, 160, 160);
    case 17: // grey text
        return rgbColor(109, 109, 109);
    default: // window text, button text and the rest
        return clBlack;
    }
}

std::atomic<SystemColorResolver> resolver{nullptr};

} // namespace

TColor ResolveColor(TColor c) {
    if (!isSystemColor(c))
        return c & 0x00FFFFFF;
    SystemColorResolver r = resolver.load();
    return (r ? r(c) : classicSystemColor(c)) & 0x00FFFFFF;
}

void SetSystemColorResolver(SystemColorResolver r) {
    resolver.store(r);
}
