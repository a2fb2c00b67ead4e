// What the program and its banner module share. The module holds the band's web view and everything of Qt
// WebEngine, so that the program links none of it and loads it only when the band starts.
//
// The module is built from the same sources as the program and found beside it (Banner.cpp); this header is
// the whole of what one knows of the other: plain C++ and Qt widgets, no symbol of the program in the module.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Raised whenever this header changes, so that a module of another build is refused, not misread.
inline constexpr int kBannerInterfaceVersion = 1;

// The program's side, handed to the module when the band is made.
struct BannerHost {
    int version = kBannerInterfaceVersion;
    // Opens an address the user clicked in the band, in the user's browser (the program's own opener).
    void (*openAddress)(const QString& address) = nullptr;
};

// The band the module makes: a widget owned by the parent it was made in.
class BannerBand {
public:
    virtual QWidget* widget() = 0;
    // Loads `address` as the band's page.
    virtual void navigate(const QString& address) = 0;
    // Called each time a load of the page finishes (or fails).
    virtual void setLoadFinishedHandler(std::function<void(bool ok)> handler) = 0;

protected:
    ~BannerBand() = default; // deleted with its widget, never through this interface
};

// The module's one entry: the band in `parent`, or null when `host` is of another version.
extern "C" {
using KeyshelfCreateBanner = BannerBand* (*)(QWidget* parent, const BannerHost* host);
}
inline constexpr const char* kBannerEntryName = "keyshelf_create_banner";
// The module's file, beside the program.
inline constexpr const char* kBannerModuleFile = "keyshelf-banner.so";
