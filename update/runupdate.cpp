#include "runupdate.h"

#include "completefile.h"
#include "intconv.h"
#include "pathparts.h"
#include "tcpclient.h"
#include "userdirs.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include <unistd.h>

const char *const UpdateServerHost = QUILLET_UPDATE_HOST;

namespace {

using namespace UpdateProtocol;
constexpr int blockSize = 4096;

// The log line for a status other than "YES"; the two requests word them differently. A line
// cut short, status or number, is an unknown response: its text is given as empty.
std::string statusText(const std::string &status, bool forFile) {
    if (status == HeaderRefused && !forFile)
        return "Header check failed";
    if (status == ServerError)
        return forFile ? "Error occured while downloading update"
                       : "Error occured while checking update";
    if (status == FileNotFound)
        return forFile ? "Installer was not found on server" : "File was not found on server";
    if (status == UnknownCommand)
        return forFile ? "Unknown command response from server"
                       : "Unknown command reply from server";
    return "Unknown response from server";
}

// Where the installer is proposed: beside the program, or, where the user cannot write there
// (an installed program in /usr/bin), in the user's download folder.
std::string installerFolder(const std::string &executable) {
    const std::string folder = FolderOf(executable);
    return ::access(folder.c_str(), W_OK) == 0 ? folder : UserDownloadFolder();
}

// Ends the conversation when the user asks to stop; thrown only by Conversation's checks.
struct Interruption {};

// The conversation's steps, each followed by a look at whether the user asked to stop.
class Conversation {
public:
    Conversation(UpdateHost &host, TTcpClient &client) : host_(host), client_(client) {}
    // The whole conversation; a stop asked for leaves it as an Interruption.
    void run(const UpdateServer &server);

private:
    void log(const std::string &text) {
        host_.LogLine(text);
        check();
    }
    void pump() {
        host_.Pump();
        check();
    }
    void check() {
        if (host_.Interrupted())
            throw Interruption{};
    }
    // A reply line, or nothing when it was cut short (closed, timed out, too long).
    std::optional<std::string> readLine() {
        TTcpClient::Line line = client_.ReadLine(std::string(LineEnd));
        check();
        if (!line.complete())
            return std::nullopt;
        return std::move(line.text);
    }
    void sendRequest(std::string_view command, std::string_view argument) {
        client_.SendLine(std::string(Header), std::string(LineEnd));
        client_.SendLine(std::string(command), std::string(LineEnd));
        client_.SendLine(std::string(argument), std::string(LineEnd));
    }
    bool askForBuild();
    bool download(const std::string &target, std::int32_t size);

    UpdateHost &host_;
    TTcpClient &client_;
};

// Asks for the newest build; true when it is newer than ours.
bool Conversation::askForBuild() {
    sendRequest(GetBuild, FileNameOf(host_.ExecutablePath()));
    log("Build info request sent");
    const std::optional<std::string> status = readLine();
    log("Reply received");
    if (status != Yes) {
        log(statusText(status.value_or(""), false));
        return false;
    }
    const std::optional<std::string> line = readLine();
    if (!line) {
        log(statusText("", false));
        return false;
    }
    const std::string &buildLine = *line;
    if (StrToInt(buildLine) > host_.BuildNumber()) {
        log("Update available (b" + buildLine + ").");
        return true;
    }
    log("No update available at the moment (b" + buildLine + ").");
    return false;
}

// Receives the installer into the target; true when exactly the announced bytes arrived and
// were written. No more than the announced size is ever written, so a server cannot fill the
// disk; one byte beyond it settles the verdict. Only a download that succeeded takes the
// target's place: a failed or interrupted one leaves the target as it was. A link at the
// target is replaced, never followed, and a FIFO, device or socket there is refused.
bool Conversation::download(const std::string &target, std::int32_t size) {
    // A download killed outright leaves its temporary file; the next one into the folder
    // sweeps it, also when it was made for the proposed name and this target has another.
    RemoveStaleTemporaries(target);
    RemoveStaleTemporaries(FolderOf(target) + "/" + std::string(InstallerName));
    CompleteFileWriter file;
    if (file.Open(target) != 0) {
        log("Error opening target file");
        return false;
    }
    log("Downloading file..");
    std::int64_t received = 0;
    bool writtenShort = false;
    char block[blockSize];
    while (received <= size) {
        const int n = client_.ReceiveBuf(block, blockSize);
        if (n <= 0)
            break;
        const std::int64_t room = size - received;
        received += n;
        host_.SetProgressPosition(std::min<std::int64_t>(received, size));
        pump();
        if (file.Write(std::string_view(block, std::size_t(std::min<std::int64_t>(n, room)))) !=
            0) {
            log("Error writing file");
            writtenShort = true;
            break;
        }
    }
    check();
    // Leaving without a commit removes the temporary file.
    return !writtenShort && received == size && file.Commit() == 0;
}

void Conversation::run(const UpdateServer &server) {
    const std::string where = server.host + ":" + server.port + "..";
    log("Connecting to " + where);
    const bool connected = client_.Connect();
    check();
    if (!connected) {
        log("Failed to connect.");
        return;
    }
    log("Connected");
    const bool updateAvailable = askForBuild();
    client_.Disconnect();
    if (!updateAvailable)
        return;

    const std::optional<std::string> target = host_.ChooseTargetFile(
        installerFolder(host_.ExecutablePath()) + "/" + std::string(InstallerName));
    if (!target) {
        host_.LogLine("Updating interrupted");
        return;
    }
    check();
    log("Re-connecting to " + where);
    const bool reconnected = client_.Connect();
    check();
    if (!reconnected) {
        log("Failed to re-connect.");
        return;
    }
    log("Connected.");
    sendRequest(GetFile, InstallerName);
    log("Get file request sent");
    const std::optional<std::string> status = readLine();
    log("Reply received");
    if (status != Yes) {
        log(statusText(status.value_or(""), true));
    } else if (const std::optional<std::string> sizeLine = readLine(); !sizeLine) {
        log(statusText("", true));
    } else if (*sizeLine == ServerError) {
        log("Error retrieving file size");
    } else {
        const std::int32_t size = StrToInt(*sizeLine);
        log("File size received");
        if (size < 0)
            throw EInvalidFileSize("The update server announced a file size below 0 (" + *sizeLine +
                                   ")");
        host_.SetProgressPosition(0);
        host_.SetProgressMax(size);
        // The verdict is the last word: a stop asked for after it changes nothing.
        host_.LogLine(download(*target, size) ? "File downloaded succesfully."
                                              : "Error downloading file.");
    }
    client_.Disconnect();
}

} // namespace

void RunUpdateConversation(UpdateHost &host, TTcpClient &client, const UpdateServer &server) {
    host.ClearLog();
    client.setRemoteHost(server.host);
    client.setRemotePort(server.port);
    // A stop asked for while a socket call waits cuts the connection, which ends the wait.
    struct WaitHook {
        TTcpClient &client;
        std::function<void()> outer;
        ~WaitHook() { client.WaitPump = std::move(outer); }
    } hook{client, client.WaitPump};
    client.WaitPump = [&host, &client, outer = hook.outer] {
        if (outer)
            outer();
        if (host.Interrupted())
            client.Disconnect();
    };
    try {
        Conversation(host, client).run(server);
    } catch (const Interruption &) {
        client.Disconnect();
        host.LogLine("Updating interrupted");
    }
}
