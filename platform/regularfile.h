#pragma once
// Opening an existing regular file for reading without ever opening, or waiting on, a FIFO or
// a device.
#include <string>

// A read-only descriptor (close-on-exec, reads that block as usual), or -1 with `error` set
// to the errno, EISDIR for a folder, or kErrorSpecialFile (completefile.h) for a FIFO, device
// or socket, which is refused without being opened.
int OpenRegularFile(const std::string &path, int &error);
