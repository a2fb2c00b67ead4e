#include "Commands.h"

#include "commands/CommandRuns.h"
#include "commands/Output.h"

#include <array>
#include <utility>

namespace cli {
namespace {

using Run = int (*)(const Arguments&, const std::string&);

constexpr std::array<std::pair<Command, Run>, 12> kRuns = {{
    {Command::List, runList},
    {Command::Show, runShow},
    {Command::Add, runAdd},
    {Command::Edit, runEdit},
    {Command::Remove, runRemove},
    {Command::Generate, runGenerate},
    {Command::Passwd, runPasswd},
    {Command::Seal, runSeal},
    {Command::Unseal, runUnseal},
    {Command::Check, runCheck},
    {Command::Import, runImport},
    {Command::Export, runExport},
}};

} // namespace

int RunCommand(const Arguments& arguments, const std::string& vaultPath) {
    for (const auto& [command, run] : kRuns) {
        if (command == arguments.command) {
            return run(arguments, vaultPath);
        }
    }
    return kFailed;
}

} // namespace cli
