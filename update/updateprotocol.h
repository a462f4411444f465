#pragma once
// The words of the update protocol, spoken by the program's client and by
// quillet-update-server alike. A request is three lines: the header, a command and its
// argument; a reply starts with a status line. Every line ends with CR LF.
#include <string>
#include <string_view>

namespace UpdateProtocol {

inline constexpr unsigned short Port = 4995;
inline constexpr std::string_view LineEnd = "\r\n";
inline constexpr std::string_view Header = "QuilletUpdate";

// Commands, each with its argument: the asking program's file name, the installer's name.
inline constexpr std::string_view GetBuild = "GETBUILD";
inline constexpr std::string_view GetFile = "GETFILE";
// The installer's name, asked of the server and proposed in the save dialog.
inline constexpr std::string_view InstallerName = "QuilletInstall.exe";

// Status lines.
inline constexpr std::string_view Yes = "YES";            // more follows
inline constexpr std::string_view HeaderRefused = "HDR";  // not our header
inline constexpr std::string_view ServerError = "ERR";    // also a size line: no size
inline constexpr std::string_view FileNotFound = "FNF";   // no such installer
inline constexpr std::string_view UnknownCommand = "UCM"; // no such command

// The text as one line on the wire.
inline std::string Line(std::string_view text) {
    return std::string(text) + std::string(LineEnd);
}

} // namespace UpdateProtocol
