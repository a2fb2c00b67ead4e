// Writes a vault with the vault core, for the real-window tests:
//   make_vault PATH MASTER [USERNAME PASSWORD LOCATION]...
#include "VaultFile.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3 || (argc - 3) % 3 != 0) {
        std::fprintf(stderr, "usage: make_vault PATH MASTER [USERNAME PASSWORD LOCATION]...\n");
        return 2;
    }
    std::vector<vault::Entry> entries;
    for (int i = 3; i < argc; i += 3) {
        entries.push_back({argv[i], argv[i + 1], argv[i + 2]});
    }
    if (auto failed = vault::SaveVault(argv[1], argv[2], entries)) {
        std::fprintf(stderr, "%s\n", failed->Message().c_str());
        return 1;
    }
    return 0;
}
