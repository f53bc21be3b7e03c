#pragma once
// The prompter of the windows: modal message boxes and the input box.

#include "data/prompter.h"

class QWidget;

namespace kv {

class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void error(const std::string &text) override;
    void info(const std::string &text) override;
    void warning(const std::string &text) override;
    bool ask(const std::string &text) override;
    std::optional<std::string> input(const std::string &caption, const std::string &prompt,
                                     const std::string &initial, int maxLength = 0) override;

private:
    QWidget *m_parent;
};

} // namespace kv
