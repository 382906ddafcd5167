// A recording fake of the platform seam: it keeps every tone, box, cursor, prompt and status
// text in order, and answers questions and value dialogs from a script.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "model/platform.h"

namespace rz::test {

class FakePlatform : public Platform {
public:
    struct Box {
        std::string caption;  // "提问", "警告" or "提示"
        std::string text;
    };

    // Scripted answers to ask(), used in order; when the script runs out, defaultAnswer.
    std::deque<bool> answers;
    bool defaultAnswer = true;
    // Scripted value dialogs: each entry gives the values to put into the fields, or an empty
    // vector for "cancelled". When the script runs out the dialog is cancelled.
    std::deque<std::vector<double>> dialogValues;

    std::vector<int> tones;
    std::vector<Box> boxes;
    std::vector<CursorKind> cursors;
    std::vector<std::string> prompts;
    std::map<int, std::string> status;
    std::vector<std::string> dialogTitles;
    int redraws = 0;

    void tone(int hz) override { tones.push_back(hz); }
    bool ask(const std::string& text) override;
    void warn(const std::string& text) override { boxes.push_back({"警告", text}); }
    void notice(const std::string& text) override { boxes.push_back({"提示", text}); }
    void setCursor(CursorKind kind) override { cursors.push_back(kind); }
    void setPrompt(const std::string& text) override { prompts.push_back(text); }
    void setStatus(int pane, const std::string& text) override { status[pane] = text; }
    void requestRedraw() override { ++redraws; }
    bool valueDialog(const std::string& title, std::vector<ValueField>& fields) override;

    // Questions asked so far, in order.
    std::vector<std::string> questions() const;
    void clear();
};

}  // namespace rz::test
