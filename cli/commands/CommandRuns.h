// Keyshelf-cli's commands, a file each: each runs its command on the vault at `vaultPath` (generate on
// none) and returns the exit status, 0 done or 1 failed or refused, a message on standard error.
#pragma once

#include "Arguments.h"

#include <string>

namespace cli {

int runList(const Arguments& arguments, const std::string& vaultPath);
int runShow(const Arguments& arguments, const std::string& vaultPath);
int runAdd(const Arguments& arguments, const std::string& vaultPath);
int runEdit(const Arguments& arguments, const std::string& vaultPath);
int runRemove(const Arguments& arguments, const std::string& vaultPath);
int runGenerate(const Arguments& arguments, const std::string& vaultPath);
int runPasswd(const Arguments& arguments, const std::string& vaultPath);
int runSeal(const Arguments& arguments, const std::string& vaultPath);
int runUnseal(const Arguments& arguments, const std::string& vaultPath);
int runCheck(const Arguments& arguments, const std::string& vaultPath);
int runImport(const Arguments& arguments, const std::string& vaultPath);
int runExport(const Arguments& arguments, const std::string& vaultPath);

} // namespace cli
