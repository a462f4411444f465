#include "optionparser.h"

#include <algorithm>
#include <charconv>

CommandOption FlagOption(char shortName, std::string_view longName, std::string_view help,
                         std::function<void()> action) {
    CommandOption option;
    option.shortName = shortName;
    option.longName = longName;
    option.help = help;
    option.take = [action = std::move(action)](const std::string &) {
        action();
        return true;
    };
    return option;
}

CommandOption FlagOption(char shortName, std::string_view longName, std::string_view help,
                         bool &target) {
    return FlagOption(shortName, longName, help, [&target] { target = true; });
}

CommandOption ValueOption(char shortName, std::string_view longName, std::string_view valueName,
                          std::string_view help, std::string_view needs,
                          std::function<bool(const std::string &value)> take) {
    CommandOption option;
    option.shortName = shortName;
    option.longName = longName;
    option.valueName = valueName;
    option.help = help;
    option.needs = needs;
    option.take = std::move(take);
    return option;
}

CommandOption FinalOption(char shortName, std::string_view longName, std::string_view help) {
    CommandOption option = FlagOption(shortName, longName, help, [] {});
    option.endsCommandLine = true;
    return option;
}

std::function<bool(const std::string &)> TextInto(std::string &target, bool allowEmpty) {
    return [&target, allowEmpty](const std::string &text) {
        if (text.empty() && !allowEmpty)
            return false;
        target = text;
        return true;
    };
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args,
                                   std::span<const CommandOption> table) {
    ParsedCommandLine result;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (endOfOptions || arg.size() < 2 || arg[0] != '-') {
            result.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        // "--name=value" and "-xVALUE" carry their value in the same argument; a long name
        // written with one dash counts as written with two where its row allows that.
        const std::string body = arg.substr(arg.starts_with("--") ? 2 : 1);
        const std::string longName = body.substr(0, body.find('='));
        const bool isLong =
            arg.starts_with("--") || std::any_of(table.begin(), table.end(), [&](const auto &o) {
                return o.singleDash && o.longName == longName;
            });
        std::string name = isLong ? "--" + longName : arg.substr(0, 2), value;
        bool inlineValue = false;
        if (isLong && body.size() > longName.size()) {
            value = body.substr(longName.size() + 1);
            inlineValue = true;
        } else if (!isLong && arg.size() > 2) {
            value = arg.substr(2);
            inlineValue = true;
        }
        const auto option = std::find_if(table.begin(), table.end(), [&](const CommandOption &o) {
            return name.starts_with("--") ? name.substr(2) == o.longName
                                          : o.shortName != 0 && name[1] == o.shortName;
        });
        if (option == table.end()) {
            result.error = "unknown option " + arg;
            return result;
        }
        if (option->valueName.empty()) {
            if (inlineValue) {
                result.error = "option " + name + " takes no value";
                return result;
            }
        } else if (!inlineValue) {
            if (i + 1 >= args.size()) {
                result.error = "option " + name + " needs " + std::string(option->needs);
                return result;
            }
            value = args[++i];
        }
        if (!option->take(value)) {
            result.error =
                "option " + name + " needs " + std::string(option->needs) + ", not '" + value + "'";
            return result;
        }
        if (option->endsCommandLine) {
            result.endedBy = option->longName;
            return result;
        }
    }
    return result;
}

std::string OptionsHelp(std::span<const CommandOption> table, std::size_t column) {
    const std::string indent(column, ' ');
    std::string text;
    for (const CommandOption &option : table) {
        if (option.help.empty())
            continue;
        std::string left = option.shortName ? std::string("  -") + option.shortName + ", --"
                                            : std::string("      --");
        left += option.longName;
        if (!option.valueName.empty())
            left += " " + std::string(option.valueName);
        // A name too long for its column puts the description on the next line.
        text += left.size() + 2 <= column ? left + std::string(column - left.size(), ' ')
                                          : left + "\n" + indent;
        for (const char c : option.help)
            text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += '\n';
    }
    return text;
}
