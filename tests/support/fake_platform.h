// A recording platform for tests: scripted answers, and a log of everything shown or heard.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "model/platform.h"

namespace rz::test {

class FakePlatform : public Platform {
public:
    std::vector<int> tones;
    std::vector<std::string> questions, warnings, notices, prompts;
    std::deque<bool> answers;  // answers to questions, in order; Yes when empty
    bool defaultAnswer = true;
    std::vector<CursorKind> cursors;
    int redraws = 0;

    void tone(int hz) override { tones.push_back(hz); }
    bool ask(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return defaultAnswer;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void warn(const std::string& text) override { warnings.push_back(text); }
    void notice(const std::string& text) override { notices.push_back(text); }
    void setCursor(CursorKind k) override { cursors.push_back(k); }
    void setPrompt(const std::string& text) override { prompts.push_back(text); }
    void setStatus(int, const std::string&) override {}
    void requestRedraw() override { ++redraws; }
    bool valueDialog(const std::string&, std::vector<ValueField>&) override { return false; }
};

}  // namespace rz::test
