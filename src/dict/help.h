#pragma once
// Help topics by context number. The windows of this layer only ask for a topic; the program
// installs the viewer at start-up (tests install a recorder).

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
