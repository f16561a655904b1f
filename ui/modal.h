#pragma once
// Running the program's modal dialogs and message boxes.
//
// Every modal dialog of the program goes through runModal, so that a test can see each dialog
// as it is about to run and answer it instead of the operator: a test installs a hook, which
// is handed the fully built dialog; when the hook returns a result, the dialog is not run and
// that result is used as if the dialog had ended with it.
//
// Thread affinity: main thread only.

#include <functional>
#include <optional>

class QDialog;

namespace px708 {

using ModalHook = std::function<std::optional<int>(QDialog& dialog)>;

// Installs the hook (an empty function removes it) and returns the one it replaces.
ModalHook setModalHook(ModalHook hook);

// Runs the dialog modally (QDialog::exec) unless the hook answers it; returns the result.
int runModal(QDialog& dialog);

} // namespace px708
