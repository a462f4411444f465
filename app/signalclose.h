#pragma once
// Ending the program from outside (a logout, kill, Ctrl+C in a terminal) the way the window's
// close box does, so the settings are saved.
class QWidget;

// SIGTERM, SIGINT and SIGHUP close the open dialogs and then the window as its close box
// does; during a batch run the window closes when the run ends. A second signal ends the
// program at once. The handler only writes the signal's number to a pipe whose reading end
// the event loop watches. For one window per program.
void CloseOnTerminationSignals(QWidget &window);

// True once a signal has asked the program to end: nobody is there to answer a message box,
// so reports go to standard error instead.
bool ClosingOnSignal();
