#pragma once
// Waiting on the GUI thread for work done on other threads, while the windows go on painting.
#include <functional>

// Handles the GUI thread's events until `done` is true, and at least once: windows repaint,
// timers fire, a close request is delivered. Whoever makes `done` true from another thread
// calls WakeGuiThread afterwards.
void KeepPaintingUntil(const std::function<bool()> &done);

// From any thread: makes a KeepPaintingUntil look at its condition again.
void WakeGuiThread();
