#pragma once
// The command line of the quillet program: photos, or folders of photos, to start with.
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

enum class TStartAction { Run, Help, Version, UsageError };

struct TCommandLine {
    TStartAction action = TStartAction::Run;
    QStringList paths; // files and folders, in the order given
    // Qt's -platform and -display, which decide where the windows open; empty when not given.
    QString platform;
    QString display;
    QString error; // for UsageError
};

// Reads the arguments that follow the program name with the grammar of all our programs;
// Qt's own options (-platform xcb, -style fusion, ...) are understood and left to Qt, which
// takes them out when the application object is made.
TCommandLine ReadCommandLine(const QStringList &arguments);

// The photo files directly inside a folder, by their extensions (HasPhotoExtension, hidden
// ones left out), as absolute paths sorted by name as a file manager lists them.
QStringList PhotoFilesIn(const QString &folder);

// The files and folders among the paths, as absolute paths, for the window to list (a folder
// as its photos, as the window's "Include subfolders" says). A path that is neither adds a line
// to `problems`.
QStringList CheckStartPaths(const QStringList &paths, QStringList &problems);

// --help (-h) and --version, answered on standard output, and a usage error, answered with
// the usage on standard error (status 2), all before any window or display exists. The exit
// status to end with, or nothing to start.
std::optional<int> AnswerInfoRequest(const TCommandLine &line, const char *version);

// The files and folders to start with; skipped paths are reported on standard error.
QStringList StartFiles(const QStringList &paths);

// The text of --help.
std::string QuilletUsage();
