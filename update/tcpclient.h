#pragma once
// A TCP client for the update conversation over POSIX sockets (IPv4). It behaves like a
// blocking client: every call returns when it is done. Each wait, though, runs in short
// slices with a pump between them, so windows keep painting, and has a time-out, so a
// silent or trickling server cannot hold the program for ever. A pump may disconnect the
// client; the wait then ends as a failure at once, a name lookup included. No call throws:
// failures show as a false connect, a line read's status, or a block count of 0 or -1.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TTcpClient {
public:
    // A line read looks at no more than this many bytes at a time.
    static constexpr std::size_t PeekLimit = 511;
    // A line ends here even without its delimiter, so a server that never sends one cannot
    // make the client's memory grow without end.
    static constexpr std::size_t LineLimit = 64 * 1024;

    TTcpClient() = default;
    TTcpClient(const TTcpClient &) = delete;
    TTcpClient &operator=(const TTcpClient &) = delete;
    ~TTcpClient() { Disconnect(); }

    const std::string &RemoteHost() const { return host_; }
    // A different host or port first closes an open connection.
    void setRemoteHost(const std::string &host);
    const std::string &RemotePort() const { return port_; }
    void setRemotePort(const std::string &port);

    // How long a connect (name lookup included) may take, how long a whole line read may
    // take, and how long a block receive may wait in silence; running out counts as the
    // call's failure.
    std::chrono::milliseconds ConnectTimeout{15000};
    std::chrono::milliseconds ReceiveTimeout{30000};
    // Called between the slices of every wait; empty: nothing runs while waiting.
    std::function<void()> WaitPump;
    // Looks a host name up: its first IPv4 address in network byte order, or nothing. It runs
    // on a thread of its own that a disconnect leaves behind to finish alone, so it must hold
    // nothing of the caller's. Empty: the system's resolver.
    std::function<std::optional<std::uint32_t>(const std::string &host)> NameLookup;

    // A host starting with a digit is a dotted address, any other is looked up and its first
    // address used; the port is a service name or a decimal number. True when connected,
    // also when a connection already stood (nothing new is opened then).
    bool Connect();
    // Shuts a connection down and closes the socket; harmless when there is none.
    void Disconnect();
    bool Connected() const { return connected_; }

    // The text and the delimiter in one send call; what was sent is not looked at.
    void SendLine(const std::string &text, const std::string &delimiter = "\r\n");
    // How a line read ended: only a Complete line ended with its delimiter; any other status
    // leaves a line cut short, which is never to be taken for the whole.
    enum class ReadStatus { Complete, Closed, TimedOut, TooLong, Failed };
    struct Line {
        ReadStatus status = ReadStatus::Failed;
        std::string text; // without the delimiter; when cut, what had arrived
        bool complete() const { return status == ReadStatus::Complete; }
    };
    // The bytes up to the delimiter, which is taken out of the connection with them; nothing
    // behind it is taken. A close, an error, LineLimit or the end of ReceiveTimeout, counted
    // from the call, cut the line. Text from a look ends at its first zero byte.
    Line ReadLine(const std::string &delimiter = "\r\n");
    // One receive of up to `size` bytes: the count placed in the buffer, 0 when the server
    // has closed, -1 on an error or a time-out.
    int ReceiveBuf(char *buffer, int size);

private:
    enum class Wait { Ready, TimedOut, Failed };
    // Waits until the socket is readable (events POLLIN) or writable (POLLOUT).
    Wait waitFor(short events, std::chrono::milliseconds timeout);
    // False also when a pump disconnected the client meanwhile.
    bool resolve(unsigned long &address);
    bool portNumber(unsigned short &port) const;
    void closeSocket();

    std::string host_;
    std::string port_;
    int fd_ = -1;
    bool connected_ = false;
    // Counts the disconnects, so a connect can tell that a pump cut it short.
    std::uint64_t cuts_ = 0;
};
