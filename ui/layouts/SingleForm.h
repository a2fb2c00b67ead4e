// Each window of the program exists at most once: opening one that is open only brings it forward.
#pragma once

#include <QPointer>

template <class Form> class SingleForm {
public:
    // The program-wide instance, or nullptr when the window is not loaded.
    static Form* instance() { return slot(); }

    // The instance, created (loaded) when there is none. Its load handler is the caller's to run.
    static Form* Load(bool* created = nullptr) {
        const bool make = slot() == nullptr;
        if (make) {
            new Form();
        }
        if (created != nullptr) {
            *created = make;
        }
        return slot();
    }

    // Opens the window: loads it, running its load handler when it was not loaded yet. Returns the
    // instance, or nullptr when its load handler closed it again.
    static Form* Open() {
        bool created = false;
        Form* form = Load(&created);
        if (created) {
            form->Form_Load();
        }
        return instance();
    }

protected:
    // Called by the window's constructor once it is whole.
    void Register(Form* self) { slot() = self; }
    // Called as the window closes: it counts as unloaded at once, though Qt destroys it a moment later.
    void Unregister(Form* self) {
        if (slot() == self) {
            slot() = nullptr;
        }
    }

private:
    static QPointer<Form>& slot() {
        static QPointer<Form> form;
        return form;
    }
};
