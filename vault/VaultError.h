// Failures of file work come back to the caller as values that name the file and the reason.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vault {

struct VaultError {
    std::string action; // what could not be done: "Could not read", "Could not save", ...
    std::string path;   // the file the operation was working on
    std::string reason; // why, in words a user can act on
    // The file is larger than any vault can be (kMaxVaultBytes), so it was not read.
    bool tooLarge = false;
    // A sealed file that the password given does not open.
    bool wrongPassword = false;

    // "Could not save /home/me/keyshelf/data.enc: No space left on device"
    std::string Message() const { return action + " " + path + ": " + reason; }
};

// What an operation that gives no value returns: nothing when it succeeded, else the error that stopped
// it, so that `if (const auto failure = SaveVault(...))` reads as it works.
using Failure = std::optional<VaultError>;

// A value, or the error that stopped the operation.
template <class T> class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(VaultError error) : v_(std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const VaultError& error() const { return std::get<1>(v_); }

private:
    std::variant<T, VaultError> v_;
};

} // namespace vault
