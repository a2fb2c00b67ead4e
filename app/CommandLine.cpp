#include "CommandLine.h"

#include "Identity.h"

#include <array>

namespace command_line {
namespace {

// The options QGuiApplication, QApplication and the xcb platform take out of argv for themselves
// (also in their "--" spelling). A session manager restarts a program with -session, and users pass
// -platform or -style, so these must reach Qt rather than be refused.
constexpr std::array<std::string_view, 16> kQtOptionsWithValue = {"platform",
                                                                  "platformpluginpath",
                                                                  "platformtheme",
                                                                  "plugin",
                                                                  "qwindowgeometry",
                                                                  "qwindowicon",
                                                                  "qwindowtitle",
                                                                  "session",
                                                                  "display",
                                                                  "geometry",
                                                                  "title",
                                                                  "icon",
                                                                  "name",
                                                                  "visual",
                                                                  "style",
                                                                  "stylesheet"};
constexpr std::array<std::string_view, 5> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
constexpr std::array<std::string_view, 3> kQtOptionsJoined = {"style=", "stylesheet=", "qmljsdebugger="};

template <std::size_t N> bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    for (const std::string_view n : names) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

std::string Usage(std::string_view vault) {
    std::string text = "Usage: keyshelf [OPTION]\n"
                       "Keyshelf is a desktop password list: your logins (username, password and where\n"
                       "each is used) in one file, data.enc, beside the program, behind a master password.\n"
                       "\n"
                       "Vault: ";
    text += vault;
    text += "\n"
            "  (data.enc is only scrambled, not encrypted, unless keyshelf-cli seal encrypted it:\n"
            "  keep it where only you can read it)\n"
            "\n"
            "Options:\n"
            "  -h, --help      show this help and exit\n"
            "  -V, --version   show the version and exit\n"
            "  Qt's standard options (-platform, -display, -style, ...) are passed to Qt.\n"
            "\n"
            "Keys:\n"
            "  Ctrl+N          add an entry\n"
            "  Ctrl+E, F2      edit the selected entry; Enter edits it from the list\n"
            "  Delete          delete the selected entry, after asking\n"
            "  Ctrl+U          go to the selected entry's location\n"
            "  Ctrl+B          copy the selected entry's username\n"
            "  Ctrl+Shift+C    copy the selected entry's password\n"
            "  Ctrl+Shift+U    copy the selected entry's location\n"
            "  Ctrl+C          copy the list's current cell\n"
            "  Left, Right     move the current cell in the list\n"
            "  Ctrl+F          find an entry by username or location\n"
            "  F3, Shift+F3    the next, the previous entry found\n"
            "  Ctrl+I          import a browser's or password manager's CSV export\n"
            "  Ctrl+G          generate a password (in the editor's password box)\n"
            "  Ctrl+L          lock: the windows hide until the master password is typed\n"
            "  Ctrl+Q          quit\n"
            "  F1              help\n"
            "  F10             the menus: File highlighted, Enter or Down opens it\n"
            "  Escape          close a window, or leave the menus\n"
            "\n"
            "See keyshelf(1) for the files Keyshelf uses and how to uninstall it.\n";
    return text;
}

Outcome Refuse(std::string message) {
    return Outcome{false, 2, {}, "keyshelf: " + message + "\nTry 'keyshelf --help'.\n"};
}

} // namespace

std::string VersionText() {
    return std::string(identity::ProductName) + " " + std::to_string(identity::VersionMajor) + "." +
           std::to_string(identity::VersionMinor);
}

Outcome Parse(const std::vector<std::string_view>& arguments, std::string_view vault) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            return Outcome{false, 0, Usage(vault), {}};
        }
        if (argument == "--version" || argument == "-V") {
            return Outcome{false, 0, VersionText() + "\n", {}};
        }
        if (argument.size() < 2 || argument[0] != '-') {
            return Refuse("unexpected argument '" + std::string(argument) + "'");
        }
        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        if (Contains(kQtFlags, name)) {
            continue;
        }
        if (Contains(kQtOptionsWithValue, name)) {
            if (++i == arguments.size()) {
                return Refuse("option '" + std::string(argument) + "' needs a value");
            }
            continue;
        }
        bool joined = false;
        for (const std::string_view prefix : kQtOptionsJoined) {
            joined = joined || name.starts_with(prefix);
        }
        if (!joined) {
            return Refuse("unknown option '" + std::string(argument) + "'");
        }
    }
    return {};
}

} // namespace command_line
