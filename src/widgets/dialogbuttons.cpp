#include "widgets/dialogbuttons.h"

#include "widgets/help.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>

namespace kv {

DialogButtons makeDialogButtons(QDialog *dialog, int helpContext, const QString &okText)
{
    DialogButtons b;
    b.box = new QDialogButtonBox(dialog);
    b.ok = b.box->addButton(okText, QDialogButtonBox::AcceptRole);
    b.cancel = b.box->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    b.help = b.box->addButton(QStringLiteral("Справка..."), QDialogButtonBox::HelpRole);
    b.ok->setDefault(true);
    // accept() is virtual: a dialog with checks on OK gets its own.
    QObject::connect(b.box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(b.box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    const auto help = [dialog, helpContext] { requestHelp(helpContext, dialog); };
    QObject::connect(b.help, &QPushButton::clicked, dialog, help);
    // F1 opens the same topic.
    auto *f1 = new QShortcut(QKeySequence::HelpContents, dialog);
    QObject::connect(f1, &QShortcut::activated, dialog, help);
    return b;
}

} // namespace kv
