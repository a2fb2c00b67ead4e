// The per-user settings Keyshelf keeps in the [Settings] section of its settings store, in one table: each
// key with its default, the values it takes and how its stored text is read. Every window reads and writes
// them through here, so a hand-edited or hostile value means the same wherever it is read.
#pragma once

#include "PasswordGenerator.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <utility>

namespace userSettings {

// How a key's stored text is read.
enum class Reading {
    // A whole number (space around it allowed) from `least` to `most`.
    Number,
    // Off (0) only when the text is exactly "0"; any other text is on (1).
    OffOnlyAsZero,
};

struct Setting {
    const char* key; // under [Settings]
    int fallback;    // when the key is absent, or its text is none of the values it takes
    int least;
    int most;
    Reading reading = Reading::Number;
};

// Seconds a copied password stays on the clipboard; 0: until the windows lock or Keyshelf ends.
inline constexpr Setting kClipboardSeconds{"clipboardSeconds", 30, 0, 86400};
// Minutes without a key or mouse press before the windows lock; 0: never.
inline constexpr Setting kLockMinutes{"lockMinutes", 0, 0, 1440};
// Whether the main window's band loads the banner (0 keeps it blank: no request to its server).
inline constexpr Setting kBanner{"banner", 1, 0, 1, Reading::OffOnlyAsZero};
// The help window's "Show at Startup" box: 0 cleared, 1 ticked, 2 greyed. The window opens at start only
// on the text exactly "1" (see exactly()); a text that is none of the three leaves the box as designed.
inline constexpr Setting kShowHelp{"showHelp", 1, 0, 2};
// The password generator's length and kinds of character (1: drawn from, 0: not).
inline constexpr Setting kGenerateLength{"generateLength", int(vault::kGeneratedLength),
                                         int(vault::kMinGeneratedLength), int(vault::kMaxGeneratedLength)};
inline constexpr Setting kGenerateLower{"generateLower", 1, 0, 1};
inline constexpr Setting kGenerateUpper{"generateUpper", 1, 0, 1};
inline constexpr Setting kGenerateDigits{"generateDigits", 1, 0, 1};
inline constexpr Setting kGeneratePunctuation{"generatePunctuation", 1, 0, 1};

inline constexpr std::array kAll = {kClipboardSeconds, kLockMinutes,    kBanner,
                                    kShowHelp,         kGenerateLength, kGenerateLower,
                                    kGenerateUpper,    kGenerateDigits, kGeneratePunctuation};

// The value the store holds for `setting`, read its way: the default when the key is absent, nothing when
// its text is none of the values it takes.
std::optional<int> stored(const Setting& setting);
// The value, or the default where the store holds none that it takes.
int value(const Setting& setting);
// Whether the stored text is exactly `number` written out (absent: the default's).
bool exactly(const Setting& setting, int number);

// Writes each value and writes the store through at once: the program may end without another chance.
// False when the store could not be written.
bool store(std::initializer_list<std::pair<Setting, int>> values);

} // namespace userSettings
