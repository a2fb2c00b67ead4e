// A text that may be a password: wiped before its memory is given back, and never copied on its own.
#pragma once

#include <string.h>
#include <string>
#include <string_view>

namespace cli {

class SecretText {
public:
    SecretText() { text_.reserve(kStart); }
    explicit SecretText(std::string_view text) : SecretText() { assign(text); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    ~SecretText() { clear(); }

    const std::string& str() const { return text_; }
    std::string_view view() const { return text_; }
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }

    // Growing moves the text to a larger block: the old block is wiped first, as no std::string would.
    void push_back(char c) {
        if (text_.size() == text_.capacity()) {
            std::string larger;
            larger.reserve(text_.capacity() * 2);
            larger = text_;
            clear();
            text_.swap(larger);
        }
        text_.push_back(c);
    }
    void assign(std::string_view text) {
        clear();
        append(text);
    }
    void append(std::string_view text) {
        for (const char c : text) {
            push_back(c);
        }
    }
    // Takes a text made by a function that returns a plain string, and wipes that.
    void take(std::string&& text) {
        assign(text);
        ::explicit_bzero(text.data(), text.size());
    }
    void pop_back() {
        text_.back() = '\0';
        text_.pop_back();
    }
    void clear() {
        ::explicit_bzero(text_.data(), text_.size());
        text_.clear();
    }

private:
    // Large enough for any password typed by hand, so that typing one never moves it.
    static constexpr std::size_t kStart = 256;
    std::string text_;
};

} // namespace cli
