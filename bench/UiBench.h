// A vault at the format's limit for the window benchmarks, and a main window logged in on it.
#pragma once

#include "VaultFormat.h"

#include <QString>
#include <string>
#include <vector>

class Form1;

namespace uibench {

inline const std::string kMaster = "correct horse battery";

// 32,767 entries with realistic fields, the same on every call.
const std::vector<vault::Entry>& Entries();
// The folder that holds data.enc for the run, with the seams pointed at it.
QString Folder();
std::string VaultPath();
// Writes the vault and prepares the application: offscreen windows, help switched off.
void Prepare();
// A main window past the gate on that vault.
Form1* LogIn();

} // namespace uibench
