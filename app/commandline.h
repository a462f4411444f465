#pragma once
// The command line of the quillet program: photos, or folders of photos, to start with.
#include <QString>
#include <QStringList>

#include <optional>

enum class TStartAction { Run, Help, Version };

struct TCommandLine {
    TStartAction action = TStartAction::Run;
    QStringList paths;          // files and folders, in the order given
    QStringList unknownOptions; // reported and otherwise ignored
};

// Reads the arguments that follow the program name; "--" ends the options. Qt's own options
// (-platform, -style, ...) are unknown here until the application object has taken them out.
TCommandLine ParseCommandLine(const QStringList &arguments);

// The files that the paths stand for, in the form "Add file(s)" lists them: a file as its
// absolute path whatever its type, a folder as the JPEG files directly inside it (*.jpg,
// *.jpeg in any case, hidden ones left out) sorted by name as a file manager lists them. A path
// that is neither adds a line to `problems`.
QStringList ExpandStartPaths(const QStringList &paths, QStringList &problems);

// --help (-h) and --version, answered on standard output before any window or display
// exists, and an unknown option, answered with the usage on standard error (status 2); Qt's
// own options are passed over. The exit status to end with, or nothing to start.
std::optional<int> AnswerInfoRequest(int argc, char **argv, const char *version);

// The files to start with, from the arguments the application object left (program name
// first); skipped paths and unknown options are reported on standard error.
QStringList StartFiles(const QStringList &arguments);

extern const char *const kQuilletUsage;
