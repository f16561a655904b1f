#include "ui/modal.h"

#include <QDialog>

#include <utility>

namespace px708 {

namespace {
ModalHook& currentHook() {
    static ModalHook hook;
    return hook;
}
} // namespace

ModalHook setModalHook(ModalHook hook) {
    return std::exchange(currentHook(), std::move(hook));
}

int runModal(QDialog& dialog) {
    // A copy, so that a hook which replaces itself while it runs stays alive until it returns.
    if (ModalHook hook = currentHook()) {
        if (std::optional<int> result = hook(dialog)) {
            dialog.setResult(*result);
            return *result;
        }
    }
    return dialog.exec();
}

} // namespace px708
