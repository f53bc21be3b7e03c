#pragma once
// Help topics by context number: the help window opens the topic, unless a handler is installed
// (tests record the topics asked for).

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
