// Writes a vault with the vault core, for the real-window tests:
//   make_vault [--sealed] PATH MASTER [USERNAME PASSWORD LOCATION]...
// --sealed seals it with its master password at the least cost the sealed form allows, so that tests
// open it in milliseconds; keyshelf-cli seal gives the real cost.
#include "VaultFile.h"

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const bool sealed = argc > 1 && std::strcmp(argv[1], "--sealed") == 0;
    if (sealed) {
        --argc;
        ++argv;
    }
    if (argc < 3 || (argc - 3) % 3 != 0) {
        std::fprintf(stderr, "usage: make_vault [--sealed] PATH MASTER [USERNAME PASSWORD LOCATION]...\n");
        return 2;
    }
    std::vector<vault::Entry> entries;
    for (int i = 3; i < argc; i += 3) {
        entries.push_back({argv[i], argv[i + 1], argv[i + 2]});
    }
    std::optional<vault::SealKey> seal;
    if (sealed) {
        auto key = vault::SealKey::Fresh(argv[2], vault::kLeastSealCost, argv[1]);
        if (!key) {
            std::fprintf(stderr, "%s\n", key.error().Message().c_str());
            return 1;
        }
        seal = std::move(*key);
    }
    if (auto failed = vault::SaveVault(argv[1], vault::Secret(argv[2]), entries, vault::SystemFileOps(),
                                       seal ? &*seal : nullptr)) {
        std::fprintf(stderr, "%s\n", failed->Message().c_str());
        return 1;
    }
    return 0;
}
