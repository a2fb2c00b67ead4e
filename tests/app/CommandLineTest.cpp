// What `keyshelf ARGUMENTS` does before any window: answers --help and --version, leaves Qt's own
// options to Qt, and refuses anything else with status 2 and a pointer to --help.
#include "CommandLine.h"

#include "Identity.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string_view>;
constexpr std::string_view kVault = "/home/me/.local/share/keyshelf/data.enc";

std::string Refusal(const std::string& what) {
    return "keyshelf: " + what + "\nTry 'keyshelf --help'.\n";
}

TEST(CommandLine, RunsOnlyWithNothingOrQtsOwnOptions) {
    for (const Arguments& arguments : std::vector<Arguments>{
             {},
             {"-platform", "offscreen"},
             {"--platform", "xcb", "-display", ":1"},
             {"-session", "1234abc", "-reverse"},
             {"-style=Fusion", "-stylesheet", "my.qss", "-qwindowtitle", "-x"},
         }) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const command_line::Outcome outcome = command_line::Parse(arguments, kVault);
        EXPECT_TRUE(outcome.run);
        EXPECT_EQ(outcome.out + outcome.error, "");
    }
}

TEST(CommandLine, AnswersOrRefusesWithoutRunning) {
    const std::string version = std::string(identity::ProductName) + " " + std::to_string(identity::VersionMajor) +
                                "." + std::to_string(identity::VersionMinor) + "\n";
    struct Case {
        Arguments arguments;
        int status;
        std::string out; // the whole output; kHelp: the usage
        std::string error;
    };
    const std::string kHelp = "(the usage)";
    for (const Case& c : std::vector<Case>{
             {{"--version"}, 0, version, ""},
             {{"-V"}, 0, version, ""},
             {{"-platform", "offscreen", "--version", "--nonsense"}, 0, version, ""},
             {{"--help"}, 0, kHelp, ""},
             {{"-h"}, 0, kHelp, ""},
             {{"--bogus"}, 2, "", Refusal("unknown option '--bogus'")},
             {{"-v"}, 2, "", Refusal("unknown option '-v'")},
             {{"--help=all"}, 2, "", Refusal("unknown option '--help=all'")},
             {{"--bogus", "--help"}, 2, "", Refusal("unknown option '--bogus'")},
             {{"notes.txt"}, 2, "", Refusal("unexpected argument 'notes.txt'")},
             {{"-"}, 2, "", Refusal("unexpected argument '-'")},
             {{"-platform"}, 2, "", Refusal("option '-platform' needs a value")},
         }) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const command_line::Outcome outcome = command_line::Parse(c.arguments, kVault);
        EXPECT_FALSE(outcome.run);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.error, c.error);
        if (c.out == kHelp) {
            EXPECT_TRUE(outcome.out.starts_with("Usage: keyshelf")) << outcome.out;
        } else {
            EXPECT_EQ(outcome.out, c.out);
        }
    }
}

TEST(CommandLine, HelpNamesTheVaultTheOptionsAndTheKeys) {
    const std::string help = command_line::Parse({"--help"}, kVault).out;
    for (const char* needed : {"/home/me/.local/share/keyshelf/data.enc",
                               "not encrypted",
                               "--help",
                               "--version",
                               "-platform",
                               "Ctrl+N",
                               "Enter",
                               "Ctrl+E",
                               "F2",
                               "Delete",
                               "Ctrl+U",
                               "Ctrl+B",
                               "Ctrl+Shift+C",
                               "Ctrl+Shift+U",
                               "Ctrl+C",
                               "Ctrl+F",
                               "F3",
                               "Ctrl+I",
                               "Ctrl+G",
                               "Ctrl+L",
                               "Ctrl+Q",
                               "F1",
                               "F10",
                               "Escape",
                               "keyshelf(1)"}) {
        EXPECT_NE(help.find(needed), std::string::npos) << needed << " is not in:\n" << help;
    }
}

} // namespace
