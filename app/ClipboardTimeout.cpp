#include "ClipboardTimeout.h"

#include "Seams.h"
#include "SecretClipboard.h"

#include <chrono>

ClipboardTimeout::ClipboardTimeout(QObject* parent)
    : QObject(parent), wait_(seams::NewCountdown([this] {
          if (SecretClipboard::instance().clearIfStillCopied()) {
              emit cleared();
          }
      })) {
    connect(&SecretClipboard::instance(), &SecretClipboard::copied, this, &ClipboardTimeout::copied);
}

ClipboardTimeout::~ClipboardTimeout() = default;

void ClipboardTimeout::copied() {
    if (seconds_ > 0) {
        wait_->start(std::chrono::seconds(seconds_));
    } else {
        wait_->stop();
    }
}
