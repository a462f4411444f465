#pragma once
// The end of a program with windows, once they are all gone and only the application object
// is left.

// Returns status for main() to return, except on the Wayland platform: there the process
// ends here with status, its standard streams flushed, without Qt's Wayland teardown. That
// teardown stops the connection's two event threads one after the other, and a read prepared
// for the first just before it stops is never finished; the second then waits for it for
// ever and the program hangs instead of ending. Nothing of ours is left to save by then.
// A build with AddressSanitizer runs its leak check first, as an ordinary end would.
int EndProgram(int status);
