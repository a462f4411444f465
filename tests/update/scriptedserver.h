#pragma once
// A loopback server that plays a script: one reply per connection, in order, each sent as
// the given packets with a pause between them; then it stops listening, so a further
// connect is refused.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ScriptedReply {
    std::vector<std::string> packets = {};
    // Keep the connection open and silent after the packets, until the client closes.
    bool hold = false;
};

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> replies);
    ~ScriptedServer();

    std::string port() const { return std::to_string(port_); }
    // What each connection's client sent before the reply (its three request lines).
    std::vector<std::string> requests() const;

private:
    void run(std::vector<ScriptedReply> replies);

    unsigned short port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
