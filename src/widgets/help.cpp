#include "widgets/help.h"

#include "widgets/helpwindow.h"

#include <QPushButton>

namespace kv {

namespace {
HelpHandler &handler()
{
    static HelpHandler h;
    return h;
}
} // namespace

void setHelpHandler(HelpHandler h) { handler() = std::move(h); }

void requestHelp(int context, QWidget *parent)
{
    if (handler())
        handler()(context, parent);
    else
        showHelp(context, parent); // the program's own help window
}

QPushButton *makeHelpButton(int context, QWidget *parent)
{
    auto *b = new QPushButton(QStringLiteral("Справка..."), parent);
    b->setObjectName(QStringLiteral("btnHelp"));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, [context, parent] { requestHelp(context, parent); });
    return b;
}

} // namespace kv
