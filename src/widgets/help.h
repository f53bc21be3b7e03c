#pragma once
// Help topics by context number. The windows only ask for a topic; without a handler installed
// the help window of dict/helpwindow.h shows it (tests install a recorder).

#include <functional>

class QPushButton;
class QWidget;

namespace kv {

using HelpHandler = std::function<void(int context, QWidget *parent)>;
void setHelpHandler(HelpHandler handler);
void requestHelp(int context, QWidget *parent);

// The "Справка..." button of a window: opens the window's topic.
QPushButton *makeHelpButton(int context, QWidget *parent);

} // namespace kv
