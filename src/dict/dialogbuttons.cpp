#include "dict/dialogbuttons.h"

#include "dict/helpwindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

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
    QObject::connect(b.help, &QPushButton::clicked, dialog,
                     [dialog, helpContext] { showHelp(helpContext, dialog); });
    return b;
}

} // namespace kv
