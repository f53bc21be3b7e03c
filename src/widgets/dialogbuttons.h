#pragma once
// The button row of the program's dialogs: "ОК", "Отмена" and "Справка..." (opening the
// dialog's help topic), wired to accept, reject and the help window.

#include <QString>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace kv {

struct DialogButtons {
    QDialogButtonBox *box;
    QPushButton *ok;
    QPushButton *cancel;
    QPushButton *help;
};

// okText: the caption of the OK button as the dialog has it ("ОК" or the Latin "OK").
DialogButtons makeDialogButtons(QDialog *dialog, int helpContext,
                                const QString &okText = QStringLiteral("ОК"));

} // namespace kv
