#pragma once
// How the program runs its modal dialogs. The default runs exec(); tests replace the runner with a
// function that fills the dialog's fields and presses its buttons, so that commands which open
// dialogs (also nested ones) can be driven without a user.

#include <functional>

class QDialog;

namespace kv {

using DialogRunner = std::function<int(QDialog &)>;
// The runner in use (assignable; an empty function means exec()).
DialogRunner &dialogRunner();
// Runs a dialog through the runner; returns QDialog::Accepted or QDialog::Rejected.
int runDialog(QDialog &dialog);

} // namespace kv
