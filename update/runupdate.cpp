#include "runupdate.h"

#include "completefile.h"
#include "intconv.h"
#include "pathparts.h"
#include "tcpclient.h"

#include <string_view>

const char *const UpdateServerHost = QUILLET_UPDATE_HOST;

namespace {

constexpr std::string_view headerLine = "QuilletUpdate";
constexpr int blockSize = 4096;

// The log line for a status other than "YES"; the two requests word them differently.
std::string statusText(const std::string &status, bool forFile) {
    if (status == "HDR" && !forFile)
        return "Header check failed";
    if (status == "ERR")
        return forFile ? "Error occured while downloading update"
                       : "Error occured while checking update";
    if (status == "FNF")
        return forFile ? "Installer was not found on server" : "File was not found on server";
    if (status == "UCM")
        return forFile ? "Unknown command response from server"
                       : "Unknown command reply from server";
    return "Unknown response from server";
}

void sendRequest(TTcpClient &client, std::string_view command, const std::string &argument) {
    client.SendLine(std::string(headerLine));
    client.SendLine(std::string(command));
    client.SendLine(argument);
}

// Asks for the newest build; true when it is newer than ours.
bool askForBuild(UpdateHost &host, TTcpClient &client) {
    sendRequest(client, "GETBUILD", FileNameOf(host.ExecutablePath()));
    host.LogLine("Build info request sent");
    const std::string status = client.ReadLine();
    host.LogLine("Reply received");
    if (status != "YES") {
        host.LogLine(statusText(status, false));
        return false;
    }
    const std::string buildLine = client.ReadLine();
    if (StrToInt(buildLine) > host.BuildNumber()) {
        host.LogLine("Update available (b" + buildLine + ").");
        return true;
    }
    host.LogLine("No update available at the moment (b" + buildLine + ").");
    return false;
}

// Receives the installer into the target; true when every announced byte arrived and was
// written. What arrived takes the target's place even when the download stops short; a link
// at the target is replaced, never followed, and a FIFO, device or socket there is refused.
bool download(UpdateHost &host, TTcpClient &client, const std::string &target, std::int32_t size) {
    CompleteFileWriter file;
    if (file.Open(target) != 0) {
        host.LogLine("Error opening target file");
        return false;
    }
    host.LogLine("Downloading file..");
    std::int64_t received = 0;
    bool writtenShort = false;
    char block[blockSize];
    for (int n = client.ReceiveBuf(block, blockSize); n > 0;
         n = client.ReceiveBuf(block, blockSize)) {
        received += n;
        host.SetProgressPosition(received);
        host.Pump();
        if (file.Write(std::string_view(block, std::size_t(n))) != 0) {
            host.LogLine("Error writing file");
            writtenShort = true;
            break;
        }
    }
    const bool inPlace = file.Commit() == 0;
    return inPlace && !writtenShort && received == size;
}

} // namespace

void RunUpdateConversation(UpdateHost &host, TTcpClient &client, const UpdateServer &server) {
    host.ClearLog();
    client.setRemoteHost(server.host);
    client.setRemotePort(server.port);
    const std::string where = server.host + ":" + server.port + "..";

    host.LogLine("Connecting to " + where);
    if (!client.Connect()) {
        host.LogLine("Failed to connect.");
        return;
    }
    host.LogLine("Connected");
    const bool updateAvailable = askForBuild(host, client);
    client.Disconnect();
    if (!updateAvailable)
        return;

    const std::string folder = FolderOf(host.ExecutablePath());
    const std::optional<std::string> target = host.ChooseTargetFile(folder + "/" + InstallerName);
    if (!target) {
        host.LogLine("Updating interrupted");
        return;
    }
    host.LogLine("Re-connecting to " + where);
    if (!client.Connect()) {
        host.LogLine("Failed to re-connect.");
        return;
    }
    host.LogLine("Connected.");
    sendRequest(client, "GETFILE", InstallerName);
    host.LogLine("Get file request sent");
    const std::string status = client.ReadLine();
    host.LogLine("Reply received");
    if (status != "YES") {
        host.LogLine(statusText(status, true));
    } else if (const std::string sizeLine = client.ReadLine(); sizeLine == "ERR") {
        host.LogLine("Error retrieving file size");
    } else {
        const std::int32_t size = StrToInt(sizeLine);
        host.LogLine("File size received");
        if (size < 0)
            throw EInvalidFileSize("The update server announced a file size below 0 (" + sizeLine +
                                   ")");
        host.SetProgressPosition(0);
        host.SetProgressMax(size);
        host.LogLine(download(host, client, *target, size) ? "File downloaded succesfully."
                                                           : "Error downloading file.");
    }
    client.Disconnect();
}
