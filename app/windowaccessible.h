#pragma once
// What assistive technology learns of the main window and its own parts that paint themselves:
// the window as a frame, the fill colour swatch as a button that opens the colour dialog and
// names its colour, the preview as a picture that names its photo, the splitters as splitters.

// Registers the interfaces with Qt once.
void InstallWindowAccessibility();
