#pragma once
// The window's side of the update conversation, recording what the conversation asks of it.
#include "runupdate.h"

#include <optional>
#include <string>
#include <vector>

class FakeHost : public UpdateHost {
public:
    std::vector<std::string> log{"an old line"};
    std::int32_t build = 56;
    std::optional<std::string> answer; // the chosen target; none: the dialog is cancelled
    std::string proposed;
    std::string executable = "/opt/quillet/quillet";
    // After this line is logged, the next socket wait finds the user asking to stop.
    std::string interruptAt;
    bool armed = false;
    bool interrupted = false;

    void ClearLog() override { log.clear(); }
    void LogLine(const std::string &text) override {
        log.push_back(text);
        armed = armed || text == interruptAt;
    }
    void SetProgressMax(std::int32_t) override {}
    void SetProgressPosition(std::int64_t) override {}
    void Pump() override {}
    std::optional<std::string> ChooseTargetFile(const std::string &p) override {
        proposed = p;
        return answer;
    }
    std::int32_t BuildNumber() override { return build; }
    std::string ExecutablePath() override { return executable; }
    bool Interrupted() override { return interrupted; }
};
