#pragma once
// Where the running program lies, for what is kept beside it (a settings file, the format
// module).
#include <string>

// The folder of the running program's file, links resolved, with a trailing slash; empty when
// the system does not tell.
std::string ProgramFolder();
