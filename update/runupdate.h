#pragma once
// The update conversation: ask the update server for its newest build and, when it is newer
// than ours and the user names a target file, download the installer into it. Two short
// connections of one three-line request each, every step logged.
#include "updateprotocol.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

class TTcpClient;

// The update server's host, fixed when the program is built.
extern const char *const UpdateServerHost;

// Where the conversation takes place.
struct UpdateServer {
    std::string host = UpdateServerHost;
    std::string port = std::to_string(UpdateProtocol::Port);
};

// What the conversation needs from the window it runs in.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    virtual void ClearLog() = 0;
    // Adds a line to the log and pumps the message queue.
    virtual void LogLine(const std::string &text) = 0;
    virtual void SetProgressMax(std::int32_t maximum) = 0;
    virtual void SetProgressPosition(std::int64_t position) = 0;
    // Processes every pending message, then returns.
    virtual void Pump() = 0;
    // Asks for the installer's target, proposing a full file name; nothing when cancelled.
    virtual std::optional<std::string> ChooseTargetFile(const std::string &proposed) = 0;
    // The running program's build number and the full path of its executable.
    virtual std::int32_t BuildNumber() = 0;
    virtual std::string ExecutablePath() = 0;
    // True once the user (or a termination signal) asked to stop; looked at after every
    // pump and between the slices of every socket wait.
    virtual bool Interrupted() = 0;
};

// Raised when the server announces a size no file can have; like a build or size line that
// is not a number (EConvertError), it ends the conversation with the connection left open.
class EInvalidFileSize : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs the whole conversation. Every path ends with the client disconnected, except the
// errors raised out of it (a line that is no number, a size below 0). An interruption cuts
// the connection at once, in whatever phase, and logs "Updating interrupted". A download
// that fails or is interrupted leaves the target as it was. The installer is proposed beside
// the program where the user may write, else in the user's download folder.
void RunUpdateConversation(UpdateHost &host, TTcpClient &client,
                           const UpdateServer &server = UpdateServer());
