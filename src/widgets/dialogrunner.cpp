#include "widgets/dialogrunner.h"

#include <QDialog>

namespace kv {

DialogRunner &dialogRunner()
{
    static DialogRunner runner;
    return runner;
}

int runDialog(QDialog &dialog)
{
    const DialogRunner &r = dialogRunner();
    return r ? r(dialog) : dialog.exec();
}

} // namespace kv
