// Any list of entries whose fields can be stored reads back exactly after a save.
#include "Cp1252.h"
#include "VaultFormat.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Half the texts come as code-page bytes (every Windows character, controls included), half as raw
// UTF-8 that may be invalid or outside the code page.
std::string Text(FuzzedDataProvider& in) {
    const bool codePage = in.ConsumeBool();
    const std::string raw = in.ConsumeRandomLengthString(64);
    return codePage ? cp1252::ToUtf8(raw) : raw;
}

bool Storable(const std::string& text, vault::Field field) {
    return vault::CheckStorable(text, field) == vault::Unstorable::None;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string master = Text(in);
    if (vault::CheckMasterStorable(master) != vault::Unstorable::None) {
        return 0;
    }
    std::vector<vault::Entry> entries;
    while (in.remaining_bytes() > 0 && entries.size() < 64) {
        vault::Entry e{Text(in), Text(in), Text(in)};
        if (Storable(e.username, vault::Field::Username) && Storable(e.password, vault::Field::Password) &&
            Storable(e.location, vault::Field::Location)) {
            entries.push_back(std::move(e));
        }
    }
    const std::string bytes = vault::VaultBytes(master, entries);
    if (vault::ReadMasterLine(bytes) != master || vault::ReadEntryLines(bytes) != entries) {
        std::abort();
    }
    return 0;
}
