#pragma once
// Every message box, question and input box of the program goes through a Prompter. The GUI
// installs a dialog version, the CLI a console one, tests a recording fake with scripted answers.

#include <optional>
#include <string>

namespace kv {

class Prompter {
public:
    virtual ~Prompter() = default;
    // Modal error box with one OK button ("Ошибка. ...").
    virtual void error(const std::string &text) = 0;
    // Information box.
    virtual void info(const std::string &text) = 0;
    // Warning box ("Внимание. ...").
    virtual void warning(const std::string &text) = 0;
    // Yes/No question; true for Yes.
    virtual bool ask(const std::string &text) = 0;
    // Input box; nullopt when cancelled. maxLength > 0 limits the answer to that many characters
    // (the size of the field it is stored in).
    virtual std::optional<std::string> input(const std::string &caption, const std::string &prompt,
                                             const std::string &initial, int maxLength = 0) = 0;
};

} // namespace kv
