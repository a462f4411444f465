#pragma once
// Ending the program from outside (a logout, kill, Ctrl+C in a terminal) the way the window's
// close box does, so the settings are saved.
class QWidget;

// SIGTERM, SIGINT and SIGHUP close the window as its close box does; during a batch run the
// window closes when the run ends. The handler only writes the signal's number to a pipe
// whose reading end the event loop watches. For one window per program.
void CloseOnTerminationSignals(QWidget &window);
