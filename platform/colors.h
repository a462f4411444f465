#pragma once
// Colour values as the program stores them: 0x00BBGGRR for plain colours (low byte red),
// negative values for system colours that are resolved to the desktop's current RGB.
#include <cstdint>

using TColor = std::int32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clLime = 0x0000FF00;
constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clYellow = 0x0000FFFF;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clNavy = 0x00800000;
constexpr TColor clSilver = 0x00C0C0C0;
constexpr TColor clGray = 0x00808080;
constexpr TColor clTeal = 0x00808000;

// System colours: the high bit set, the low byte names the desktop role.
constexpr TColor systemColor(int role) {
    return static_cast<TColor>(0x80000000u | unsigned(role));
}
constexpr TColor clWindow = systemColor(5);
constexpr TColor clWindowText = systemColor(8);
constexpr TColor clBtnFace = systemColor(15);
constexpr TColor clHighlight = systemColor(13);
constexpr TColor clHighlightText = systemColor(14);
constexpr TColor clBtnShadow = systemColor(16);
constexpr TColor clGrayText = systemColor(17);
constexpr TColor clBtnText = systemColor(18);

constexpr bool isSystemColor(TColor c) {
    return c < 0;
}
constexpr int redOf(TColor c) {
    return c & 0xFF;
}
constexpr int greenOf(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int blueOf(TColor c) {
    return (c >> 16) & 0xFF;
}
constexpr TColor rgbColor(int r, int g, int b) {
    return TColor(r | (g << 8) | (b << 16));
}

// Turns a system colour into its current plain value; a plain colour comes back as it is
// (only its low three bytes). Without an installed resolver, system colours take the
// classic desktop values (button face light grey, window white, window text black).
TColor ResolveColor(TColor c);

using SystemColorResolver = TColor (*)(TColor systemColour);
// The GUI installs a resolver that reads its palette; the engine and tools use the default.
void SetSystemColorResolver(SystemColorResolver resolver);
