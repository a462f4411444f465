#include "optionparser.h"

#include <gtest/gtest.h>

namespace {

struct Seen {
    bool verbose = false;
    int count = 7;
    std::string name = "none";
};

// Written with one dash as well, and left out of the help.
CommandOption titleOption(Seen &s) {
    CommandOption title = ValueOption(0, "title", "TEXT", "", "a title", TextInto(s.name));
    title.singleDash = true;
    return title;
}

std::vector<CommandOption> table(Seen &s) {
    return {
        FlagOption('v', "verbose", "say more", s.verbose),
        ValueOption('n', "count", "N", "how many", "a number from 1 to 9",
                    DecimalInto(s.count, 1, 9)),
        ValueOption(0, "name", "TEXT", "a name\nover two lines", "a name", TextInto(s.name, false)),
        FinalOption('h', "help", "show this help"), titleOption(s)};
}

std::string outcomeOf(const std::vector<std::string> &args) {
    Seen s;
    const ParsedCommandLine line = ParseCommandLine(args, table(s));
    if (!line.error.empty())
        return line.error;
    std::string text = std::to_string(s.verbose) + " " + std::to_string(s.count) + " " + s.name;
    if (!line.endedBy.empty())
        text += " ended by " + std::string(line.endedBy);
    text += " |";
    for (const std::string &operand : line.operands)
        text += " " + operand;
    return text;
}

TEST(OptionParser, reads_each_form_of_the_grammar) {
    const struct {
        std::vector<std::string> args;
        const char *outcome; // "verbose count name | operands", or the error
    } cases[] = {
        {{"--count", "3", "--name=x=y"}, "0 3 x=y |"},
        {{"-", "", "--", "-v", "--count=2"}, "0 7 none | -  -v --count=2"},
        {{"-v", "-h", "--bogus"}, "1 7 none ended by help |"},
        {{"--count=3x"}, "option --count needs a number from 1 to 9, not '3x'"},
        {{"--count=+9", "-n", "-1"}, "option -n needs a number from 1 to 9, not '-1'"},
        {{"-n", " 3"}, "option -n needs a number from 1 to 9, not ' 3'"},
        {{"--verb"}, "unknown option --verb"},
        {{"-x"}, "unknown option -x"},
        {{"-title", "-v", "x", "--title=y", "-title=z"}, "0 7 z | x"},
        {{"-name", "x"}, "option -n needs a number from 1 to 9, not 'ame'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outcomeOf(c.args), c.outcome) << ::testing::PrintToString(c.args);
}

TEST(OptionParser, help_lines_line_up_and_wrap_long_names) {
    Seen s;
    EXPECT_EQ(OptionsHelp(table(s), 18), "  -v, --verbose   say more\n"
                                         "  -n, --count N   how many\n"
                                         "      --name TEXT\n"
                                         "                  a name\n"
                                         "                  over two lines\n"
                                         "  -h, --help      show this help\n");
}

} // namespace
