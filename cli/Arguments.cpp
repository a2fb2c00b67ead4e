#include "Arguments.h"

#include "CsvImport.h"
#include "Identity.h"
#include "PasswordGenerator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace cli {
namespace {

struct CommandName {
    std::string_view name;
    Command command;
    std::size_t minOperands;
    std::size_t maxOperands;
    bool takesEntry = false;       // ENTRY: an operand, or --with-username and --with-location
    std::string_view missing = {}; // said when fewer than minOperands are given
};
constexpr std::array<CommandName, 12> kCommands = {{
    {"ls", Command::List, 0, 1},
    {"show", Command::Show, 0, 1, true},
    {"add", Command::Add, 0, 0},
    {"edit", Command::Edit, 0, 1, true},
    {"rm", Command::Remove, 0, 1, true},
    {"generate", Command::Generate, 0, 0},
    {"passwd", Command::Passwd, 0, 0},
    {"seal", Command::Seal, 0, 0},
    {"unseal", Command::Unseal, 0, 0},
    {"check", Command::Check, 0, 0},
    {"import", Command::Import, 1, 1, false, "'import' needs the CSV file to import"},
    {"export", Command::Export, 0, 0},
}};

enum class Kind { Flag, Value, OptionalLength };
struct Option {
    std::string_view name;
    char shortName; // "-h" for "--help"; 0 for none
    Kind kind;
    std::array<Command, 4> commands; // the commands it goes with; None for every command
    // Where the option's text, flag or length goes: one of them.
    std::optional<std::string> Arguments::*text = nullptr;
    bool Arguments::*flag = nullptr;
    std::optional<std::size_t> Arguments::*optionalLength = nullptr;
    std::size_t Arguments::*length = nullptr;
};
constexpr std::array<Command, 4> kEntryCommands = {Command::List, Command::Show, Command::Edit, Command::Remove};
constexpr std::array<Option, 18> kOptions = {{
    {"vault", 0, Kind::Value, {Command::None, Command::None}, &Arguments::vault},
    {"help", 'h', Kind::Flag, {Command::None, Command::None}, nullptr, &Arguments::help},
    {"version", 'V', Kind::Flag, {Command::None, Command::None}, nullptr, &Arguments::version},
    {"username", 0, Kind::Value, {Command::Add, Command::Edit}, &Arguments::username},
    {"location", 0, Kind::Value, {Command::Add, Command::Edit}, &Arguments::location},
    {"generate", 0, Kind::OptionalLength, {Command::Add, Command::Edit}, nullptr, nullptr, &Arguments::generate},
    {"password", 0, Kind::Flag, {Command::Show, Command::Edit}, nullptr, &Arguments::password},
    {"yes", 0, Kind::Flag, {Command::Remove, Command::Remove}, nullptr, &Arguments::yes},
    {"dry-run", 0, Kind::Flag, {Command::Import, Command::Import}, nullptr, &Arguments::dryRun},
    {"replace", 0, Kind::Flag, {Command::Import, Command::Import}, nullptr, &Arguments::replace},
    {"delete-file", 0, Kind::Flag, {Command::Import, Command::Import}, nullptr, &Arguments::deleteFile},
    {"output", 'o', Kind::Value, {Command::Export, Command::Export}, &Arguments::output},
    {"force", 0, Kind::Flag, {Command::Export, Command::Export}, nullptr, &Arguments::force},
    {"with-username", 0, Kind::Value, kEntryCommands, &Arguments::withUsername},
    {"with-location", 0, Kind::Value, kEntryCommands, &Arguments::withLocation},
    {"listed", 0, Kind::Value, {Command::Show, Command::Edit, Command::Remove}, &Arguments::listed},
    {"stamp", 0, Kind::Flag, {Command::List}, nullptr, &Arguments::stamp},
    // generate's --length takes a value that is not optional.
    {"length", 0, Kind::Value, {Command::Generate, Command::Generate}, nullptr, nullptr, nullptr, &Arguments::length},
}};

// Options that go with the same command but not with each other: the first is refused beside the second.
constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kExclusive = {{
    {"password", "generate"},
    {"delete-file", "dry-run"},
}};

const CommandName* FindCommand(std::string_view name) {
    for (const CommandName& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

const CommandName& NameOf(Command command) {
    for (const CommandName& c : kCommands) {
        if (c.command == command) {
            return c;
        }
    }
    return kCommands.front();
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::size_t> ParseLength(std::string_view text) {
    std::size_t value = 0;
    if (!AllDigits(text) || text.size() > 5 ||
        std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{} || value < 1 ||
        value > kMaxGeneratedLength) {
        return std::nullopt;
    }
    return value;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// How show, edit and rm take their ENTRY.
// `text` broken into lines of at most 92 characters at spaces, as the help's other paragraphs are.
std::string Wrapped(const std::string& text) {
    constexpr std::size_t kWidth = 92;
    std::string out, line;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t space = std::min(text.find(' ', from), text.size());
        const std::string_view word(text.data() + from, space - from);
        if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
            out += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + std::string(word);
        from = space + 1;
    }
    return out + line + '\n';
}

constexpr std::string_view kEntryHelp =
    "ENTRY is a number from 'ls', a text only one entry's username or location holds (letter case\n"
    "ignored), or --with-username NAME, --with-location PLACE or both: the entry's fields exactly as\n"
    "'ls' prints them, which name the same entry however the list is sorted or grows (given with a\n"
    "number or a text, they must match it too). Several entries or none: status 1, nothing is done.\n"
    "A number is a place in the list as it is now, which sorting in Keyshelf and every change move;\n"
    "--listed STAMP refuses it when the vault changed after 'ls --stamp' printed STAMP.\n";

const char* const kLengthError = "the length of a password must be a number from 1 to 1024";

} // namespace

Parsed ParseArguments(const std::vector<std::string_view>& arguments) {
    Parsed parsed;
    Arguments& a = parsed.arguments;
    std::vector<const Option*> given;
    bool optionsEnd = false;
    const auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
            continue;
        }
        if (optionsEnd || argument.size() < 2 || argument[0] != '-') {
            if (a.command == Command::None) {
                const CommandName* command = FindCommand(argument);
                if (command == nullptr) {
                    return fail("unknown command " + Quoted(argument));
                }
                a.command = command->command;
            } else {
                a.operands.emplace_back(argument);
            }
            continue;
        }
        // A short option stands alone ("-o FILE", never "-oFILE" or "-o=FILE").
        const bool isShort = argument.size() == 2 && argument[1] != '-';
        if (!isShort && !argument.starts_with("--")) {
            return fail("unknown option " + Quoted(argument));
        }
        const std::size_t equals = isShort ? argument.npos : argument.find('=');
        const std::string_view spelled =
            isShort ? argument.substr(1) : argument.substr(2, equals == argument.npos ? argument.npos : equals - 2);
        std::optional<std::string_view> joined;
        if (equals != argument.npos) {
            joined = argument.substr(equals + 1);
        }
        const Option* option = nullptr;
        for (const Option& o : kOptions) {
            option = (isShort ? o.shortName == spelled[0] : o.name == spelled) ? &o : option;
        }
        if (option == nullptr) {
            return fail("unknown option " + Quoted(argument));
        }
        given.push_back(option);
        std::optional<std::string_view> value = joined;
        if (option->kind == Kind::Flag && joined) {
            return fail("option " + Quoted("--" + std::string(option->name)) + " takes no value");
        }
        if (option->kind == Kind::Value && !value) {
            if (i + 1 == arguments.size()) {
                return fail("option " + Quoted(argument) + " needs a value");
            }
            value = arguments[++i];
        }
        // --generate takes the next argument as its length only when it is a number.
        if (option->kind == Kind::OptionalLength && !value && i + 1 < arguments.size() && AllDigits(arguments[i + 1])) {
            value = arguments[++i];
        }
        if (option->text != nullptr) {
            a.*(option->text) = std::string(*value);
        } else if (option->flag != nullptr) {
            a.*(option->flag) = true;
        } else {
            const std::optional<std::size_t> length =
                value ? ParseLength(*value) : std::optional<std::size_t>(vault::kGeneratedLength);
            if (!length) {
                return fail(kLengthError);
            }
            if (option->optionalLength != nullptr) {
                a.*(option->optionalLength) = *length;
            } else {
                a.*(option->length) = *length;
            }
        }
    }
    if (a.help || a.version) {
        return parsed;
    }
    if (a.command == Command::None) {
        return fail("no command given");
    }
    const CommandName& command = NameOf(a.command);
    for (const Option* option : given) {
        const bool everywhere = option->commands[0] == Command::None;
        if (!everywhere &&
            std::find(option->commands.begin(), option->commands.end(), a.command) == option->commands.end()) {
            return fail("option " + Quoted("--" + std::string(option->name)) + " does not go with " +
                        Quoted(command.name));
        }
    }
    const auto isGiven = [&given](std::string_view name) {
        return std::any_of(given.begin(), given.end(), [name](const Option* option) { return option->name == name; });
    };
    for (const auto& [first, second] : kExclusive) {
        if (isGiven(first) && isGiven(second)) {
            return fail("option " + Quoted("--" + std::string(first)) + " does not go with " +
                        Quoted("--" + std::string(second)));
        }
    }
    if (a.listed &&
        (a.listed->size() != kStampLength || a.listed->find_first_not_of("0123456789abcdef") != std::string::npos)) {
        return fail("option '--listed' needs the stamp that 'ls --stamp' printed");
    }
    if (command.takesEntry && a.operands.empty() && !a.withUsername && !a.withLocation) {
        return fail(Quoted(command.name) +
                    " needs an entry: its number from 'ls', a text only it holds, or --with-username and "
                    "--with-location");
    }
    if (a.operands.size() < command.minOperands) {
        return fail(std::string(command.missing));
    }
    if (a.operands.size() > command.maxOperands) {
        return fail("unexpected argument " + Quoted(a.operands[command.maxOperands]));
    }
    return parsed;
}

std::string VersionText() {
    return std::string(identity::ProductName) + " " + std::to_string(identity::VersionMajor) + "." +
           std::to_string(identity::VersionMinor) + "\n";
}

std::string HelpText(Command command, std::string_view vault) {
    switch (command) {
    case Command::List:
        return "Usage: keyshelf-cli ls [TEXT] [--with-username NAME] [--with-location PLACE] [--stamp]\n"
               "Lists the entries in file order, one a line: the number, the username and the location,\n"
               "separated by tabs; never a password. With TEXT, only the entries whose username or location\n"
               "holds it, letter case ignored (as the window's Find); with --with-username or\n"
               "--with-location, only those whose field is exactly that. --stamp first prints a line\n"
               "\"Stamp: STAMP\", which --listed STAMP takes to check numbers from this listing.\n";
    case Command::Show:
        return "Usage: keyshelf-cli show ENTRY [--password] [--listed STAMP]\n"
               "Shows one entry: its number, username and location, and its password with --password.\n" +
               std::string(kEntryHelp);
    case Command::Add:
        return "Usage: keyshelf-cli add [--username NAME] [--location PLACE] [--generate [LENGTH]]\n"
               "Adds an entry at the end of the list. What no option gives is asked: the username, the\n"
               "location, and the password, typed twice without echo, unless --generate makes one (20\n"
               "characters, or LENGTH).\n";
    case Command::Edit:
        return "Usage: keyshelf-cli edit ENTRY [--username NAME] [--location PLACE]\n"
               "                              [--password | --generate [LENGTH]] [--listed STAMP]\n"
               "Changes the fields the options name: --password asks for a new password, --generate makes\n"
               "one. With none of them, each field is asked in turn, and an empty answer keeps it. Prints\n"
               "the entry it changed (number, username, location), and its new username and location.\n" +
               std::string(kEntryHelp);
    case Command::Remove:
        return "Usage: keyshelf-cli rm ENTRY [--yes] [--listed STAMP]\n"
               "Deletes an entry, after asking, unless --yes is given, and prints the entry it deleted\n"
               "(number, username, location).\n" +
               std::string(kEntryHelp);
    case Command::Generate:
        return "Usage: keyshelf-cli generate [--length N]\n"
               "Prints a new password from the system's random source: 20 characters (or N, 1 to 1024) of\n"
               "letters, digits and punctuation, never a space or \"|\". Needs no vault.\n";
    case Command::Passwd:
        return "Usage: keyshelf-cli passwd\n"
               "Changes the master password: the old one, then the new one twice (at least 4 characters).\n"
               "The entries are written back byte for byte as they were. A sealed vault is sealed again\n"
               "under the new password.\n";
    case Command::Seal:
        return "Usage: keyshelf-cli seal\n"
               "Seals the vault: encrypts it with a key made from its master password (Argon2id, then\n"
               "XChaCha20-Poly1305), so that the file no longer shows its master password or entries to\n"
               "anyone without it. Keyshelf and keyshelf-cli open it with the same password, and every save\n"
               "keeps it sealed. Programs other than Keyshelf cannot read a sealed vault.\n";
    case Command::Unseal:
        return "Usage: keyshelf-cli unseal\n"
               "Turns a sealed vault back into the designed form, byte for byte the vault it holds: the\n"
               "form other programs read, whose master password and entries anyone with the file can read.\n";
    case Command::Check:
        return "Usage: keyshelf-cli check\n"
               "Reports, without showing any password: passwords several entries share, passwords shorter\n"
               "than 12 characters, passwords equal to their entry's username or location (letter case\n"
               "ignored), and entries that repeat another exactly.\n";
    case Command::Import:
        // The programs come from the importer's own table, so the help names every layout it reads.
        return "Usage: keyshelf-cli import FILE [--dry-run] [--replace] [--delete-file]\n" +
               Wrapped("Adds the logins of a CSV file exported by " + vault::KnownPrograms(" or ") +
                       " (or any CSV file whose first row names username, password and url columns), in one "
                       "save: all of them or none. Prints what it adds and skips, every row it refuses (by the "
                       "editor's rules) and every column it does not keep, never a password.") +
               "Entries already in the list are skipped; a login with the username and location of an entry\n"
               "but another password is added beside it, or with --replace gives that entry its password.\n"
               "--dry-run changes nothing; --delete-file deletes FILE after the save, unless it holds rows or\n"
               "values that were not imported.\n";
    case Command::Export:
        return "Usage: keyshelf-cli export [-o FILE] [--force]\n"
               "Writes every entry as CSV (name,url,username,password, the location as name and url), the\n"
               "layout browsers and password managers import: to FILE, made readable by you alone (an\n"
               "existing FILE only with --force), or to standard output when it is not a terminal. The file\n"
               "holds every password in plain text.\n";
    case Command::None:
        break;
    }
    std::string text = "Usage: keyshelf-cli [--vault FILE] COMMAND [ARGUMENT...]\n"
                       "Keyshelf's command-line companion: the entries of a Keyshelf vault from a terminal or a\n"
                       "script.\n"
                       "\n"
                       "Vault: ";
    text += vault;
    text += "\n"
            "  (data.enc beside the program, as Keyshelf's own; --vault FILE names another)\n"
            "\n"
            "Commands:\n"
            "  ls [TEXT]                list the entries, or those whose username or location holds TEXT\n"
            "  show ENTRY [--password]  show one entry; its password only with --password\n"
            "  add                      add an entry\n"
            "  edit ENTRY               change an entry\n"
            "  rm ENTRY [--yes]         delete an entry\n"
            "  generate [--length N]    print a new password (no vault needed)\n"
            "  passwd                   change the master password\n"
            "  seal, unseal             encrypt the vault with its master password, or turn it back\n"
            "  check                    report shared, short and guessable passwords\n"
            "  import FILE              add the logins of a browser's or password manager's CSV export\n"
            "  export [-o FILE]         write every entry as CSV, passwords in plain text\n"
            "ENTRY is a number from 'ls', or a text that only one entry's username or location holds, or\n"
            "--with-username NAME and --with-location PLACE, that entry's fields exactly: scripts name\n"
            "entries so, as numbers move when the list is sorted or changed ('COMMAND --help' tells more).\n"
            "\n"
            "Options:\n"
            "  --vault FILE    use FILE as the vault (before or after the command)\n"
            "  -h, --help      show this help, or a command's help after its name\n"
            "  -V, --version   show the version and exit\n"
            "\n"
            "The master password is read from the terminal without echo. When standard input is not a\n"
            "terminal, its first line is the master password and each further line answers the next\n"
            "question a terminal would be asked, a new password once.\n"
            "\n"
            "Exit status: 0 done, 1 failed or refused, 2 a mistake on the command line.\n"
            "See keyshelf-cli(1).\n";
    return text;
}

} // namespace cli
