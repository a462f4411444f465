#pragma once
// What assistive technology learns of the main window's own parts that paint themselves: the
// fill colour swatch as a button that opens the colour dialog, the preview as a picture and
// the splitters as splitters.

// Registers the interfaces with Qt once.
void InstallWindowAccessibility();
