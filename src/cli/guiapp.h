#pragma once
// The drawings and the report need a GUI application for their fonts; without a display the
// command line runs it offscreen.

#include <QGuiApplication>

namespace kv::cli {

inline void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "korvan-cli";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

} // namespace kv::cli
