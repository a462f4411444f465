#pragma once
// One slow job off the GUI thread while the GUI thread goes on painting.
#include <functional>

// Runs the job on a worker thread and returns its result. Meanwhile the calling thread
// handles everything except user input: windows repaint, timers fire, a close request is
// delivered, while clicks and keys wait until the job is done. An exception of the job is
// raised again here.
bool RunOffGuiThread(const std::function<bool()> &job);
