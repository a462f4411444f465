#pragma once
// The command-line grammar of our programs, driven by a table of options: long options
// as "--name=value" or "--name value", short ones as "-x value" or "-xVALUE", flags without a
// value, "--" ending the options; every other argument is an operand, wherever it stands.
// Each row also carries its line of the help text, so adding an option is adding a row.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct CommandOption {
    char shortName = 0;         // 0: long form only
    std::string_view longName;  // without the leading "--"
    std::string_view valueName; // empty: a flag, which takes no value
    std::string_view help;      // lines after the first are separated by '\n'
    std::string_view needs;     // what the value must be, for the usage error
    // Receives the value (empty for a flag); false refuses it.
    std::function<bool(const std::string &value)> take;
    // --help and --version: the rest of the command line is not looked at.
    bool endsCommandLine = false;
    // Also written with one dash ("-name value"), as X11 and Qt programs write long options.
    bool singleDash = false;
};

CommandOption FlagOption(char shortName, std::string_view longName, std::string_view help,
                         std::function<void()> action);
CommandOption FlagOption(char shortName, std::string_view longName, std::string_view help,
                         bool &target);
CommandOption ValueOption(char shortName, std::string_view longName, std::string_view valueName,
                          std::string_view help, std::string_view needs,
                          std::function<bool(const std::string &value)> take);
CommandOption FinalOption(char shortName, std::string_view longName, std::string_view help);

struct ParsedCommandLine {
    std::vector<std::string> operands;
    // The option that ended the command line ("help", "version"), if one did.
    std::string_view endedBy;
    std::string error; // empty when the command line is well formed
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args,
                                   std::span<const CommandOption> table);

// The help lines of the table, the descriptions starting at `column`; rows without help are
// understood but not listed.
std::string OptionsHelp(std::span<const CommandOption> table, std::size_t column);

// A decimal whole number with an optional sign, from `low` to `high`.
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t low,
                                         std::int64_t high);

// Takes a decimal whole number from `low` to `high` into `target`.
template <class T>
std::function<bool(const std::string &)> DecimalInto(T &target, std::int64_t low,
                                                     std::int64_t high) {
    return [&target, low, high](const std::string &text) {
        const auto value = ParseDecimal(text, low, high);
        if (value)
            target = static_cast<T>(*value);
        return value.has_value();
    };
}

// Takes any text, or (allowEmpty false) any but the empty one, into `target`.
std::function<bool(const std::string &)> TextInto(std::string &target, bool allowEmpty = true);
