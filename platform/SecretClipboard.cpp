#include "SecretClipboard.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

SecretClipboard::SecretClipboard(QObject* parent) : QObject(parent) {}

SecretClipboard& SecretClipboard::instance() {
    // Owned by the application, so that it goes while the clipboard is still there.
    static QPointer<SecretClipboard> one;
    if (one == nullptr) {
        one = new SecretClipboard(QCoreApplication::instance());
    }
    return *one;
}

void SecretClipboard::copy(const QString& text) {
    auto* data = new QMimeData();
    data->setText(text);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
    copied_ = true;
    value_ = text;
    emit copied();
}

bool SecretClipboard::clearIfStillCopied() {
    if (!copied_) {
        return false;
    }
    // Once only: text the person copies later, even the same text, is theirs.
    copied_ = false;
    const bool stillThere = QGuiApplication::clipboard()->text() == value_;
    value_.clear();
    if (stillThere) {
        QGuiApplication::clipboard()->clear();
    }
    return stillThere;
}

namespace secretClipboard {
namespace {

void CopySelected(QLineEdit* box, bool cut) {
    if (!box->hasSelectedText()) {
        return;
    }
    Copy(box->selectedText());
    if (cut && !box->isReadOnly()) {
        box->del(); // the selection goes as a cut's would, undoable with Ctrl+Z
    }
}

// Handles the box's copy and cut keys before the box does, since its own would put the plain text there.
class KeyGuard : public QObject {
public:
    explicit KeyGuard(QLineEdit* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        const bool copy = key->matches(QKeySequence::Copy);
        const bool cut = key->matches(QKeySequence::Cut);
        if (!copy && !cut) {
            return false;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // the key is the box's, not a window shortcut's
            return true;
        }
        CopySelected(box_, cut);
        return true;
    }

private:
    QLineEdit* box_;
};

} // namespace

void Copy(const QString& text) {
    SecretClipboard::instance().copy(text);
}

void ClearIfStillCopied() {
    SecretClipboard::instance().clearIfStillCopied();
}

void Guard(QLineEdit* box) {
    box->installEventFilter(new KeyGuard(box));
    // The toolkit offers every selection made in a text box as the X selection: by the mouse, by Shift and
    // the arrows, by Ctrl+A. It is taken back while the toolkit is still telling of it, before the event
    // loop could answer another program asking for its text; the box's own selection stays.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        return;
    }
    QObject::connect(clipboard, &QClipboard::selectionChanged, box, [box = QPointer<QLineEdit>(box)] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (box != nullptr && box->hasSelectedText() && clipboard->ownsSelection() &&
            clipboard->text(QClipboard::Selection) == box->selectedText()) {
            clipboard->clear(QClipboard::Selection);
        }
    });
}

namespace {

// Whether `action` of a text box's standard menu is the one the toolkit made with `text`: by its object
// name where the toolkit gives one, else by its text (translated as the toolkit translates it) before the
// tab that shows its key.
bool IsStandardAction(const QAction* action, const char* name, const char* text) {
    return action->objectName() == QLatin1String(name) ||
           action->text().section(QLatin1Char('\t'), 0, 0) == QCoreApplication::translate("QLineEdit", text);
}

} // namespace

void GuardMenu(QLineEdit* box, QMenu* menu) {
    for (QAction* action : menu->actions()) {
        const bool cut = IsStandardAction(action, "edit-cut", "Cu&t");
        if (!cut && !IsStandardAction(action, "edit-copy", "&Copy")) {
            continue;
        }
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        QObject::connect(action, &QAction::triggered, box, [box, cut] { CopySelected(box, cut); });
    }
}

} // namespace secretClipboard
