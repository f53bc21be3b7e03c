#pragma once
// The prompter of the command line: keeps every message in order, echoes it to standard error
// when asked, and answers questions with a fixed answer.

#include "data/prompter.h"

#include <iostream>
#include <string>
#include <vector>

namespace kv::cli {

class CliPrompter : public Prompter {
public:
    explicit CliPrompter(std::ostream *echo = &std::cerr, bool answer = true)
        : m_echo(echo), m_answer(answer) {}

    void error(const std::string &text) override { add(text); }
    void info(const std::string &text) override { add(text); }
    void warning(const std::string &text) override { add(text); }
    bool ask(const std::string &text) override
    {
        add(text);
        return m_answer;
    }
    std::optional<std::string> input(const std::string &, const std::string &prompt,
                                      const std::string &initial, int = 0) override
    {
        add(prompt);
        return initial;
    }

    const std::vector<std::string> &messages() const { return m_messages; }

private:
    void add(const std::string &text)
    {
        m_messages.push_back(text);
        if (m_echo)
            *m_echo << text << "\n";
    }
    std::ostream *m_echo;
    bool m_answer;
    std::vector<std::string> m_messages;
};

} // namespace kv::cli
