#pragma once
// A Prompter for tests and scripted runs: records every message and answers questions and
// input boxes from scripted queues.

#include "data/prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace kv {

class RecordingPrompter : public Prompter {
public:
    enum class Kind { Error, Info, Warning, Ask, Input };
    struct Message {
        Kind kind;
        std::string text;
        bool operator==(const Message &o) const { return kind == o.kind && text == o.text; }
    };

    void error(const std::string &text) override { messages.push_back({Kind::Error, text}); }
    void info(const std::string &text) override { messages.push_back({Kind::Info, text}); }
    void warning(const std::string &text) override { messages.push_back({Kind::Warning, text}); }
    bool ask(const std::string &text) override
    {
        messages.push_back({Kind::Ask, text});
        if (askAnswers.empty())
            return defaultAsk;
        const bool a = askAnswers.front();
        askAnswers.pop_front();
        return a;
    }
    std::optional<std::string> input(const std::string &caption, const std::string &prompt,
                                     const std::string &initial, int maxLength = 0) override
    {
        messages.push_back({Kind::Input, caption + "\n" + prompt});
        inputLimits.push_back(maxLength);
        if (inputAnswers.empty())
            return initial;
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }

    // The texts of the messages of one kind, in order.
    std::vector<std::string> texts(Kind k) const
    {
        std::vector<std::string> out;
        for (const auto &m : messages)
            if (m.kind == k)
                out.push_back(m.text);
        return out;
    }
    std::vector<std::string> errors() const { return texts(Kind::Error); }
    void clear() { messages.clear(); }

    std::vector<Message> messages;
    std::deque<bool> askAnswers;                     // answers of ask(), in order
    bool defaultAsk = false;                         // when askAnswers is empty
    std::deque<std::optional<std::string>> inputAnswers; // answers of input(); empty: initial
    std::vector<int> inputLimits;                       // the length limit of each input()
};

} // namespace kv
