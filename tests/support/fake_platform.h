// A recording platform for tests: scripted answers, and a log of everything shown or heard.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
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

    std::vector<int> tones;
    std::vector<std::string> questions, warnings, notices, prompts;
    std::vector<Box> boxes;    // every box in the order shown, with its caption
    std::deque<bool> answers;  // answers to questions, in order; Yes when empty
    bool defaultAnswer = true;
    std::vector<CursorKind> cursors;
    std::map<int, std::string> status;  // last text per status-bar pane
    int redraws = 0;
    // Scripted value dialogs: the values to put into the fields, or an empty vector for
    // "cancelled"; when the script runs out the dialog is cancelled.
    std::deque<std::vector<double>> dialogValues;
    std::vector<std::string> pressButtons;  // form buttons pressed, by label
    std::vector<std::string> dialogTitles;
    std::function<void(const std::string& title)> onDialog;  // what is on screen meanwhile
    std::vector<std::vector<ValueField>> dialogFields;  // the fields as each dialog opened
    // Called while a question is shown (before it is answered), to look at the screen then.
    std::function<void(const std::string&)> onAsk;
    // Called while a notice is shown, to look at the screen then.
    std::function<void(const std::string&)> onNotice;

    void tone(int hz) override { tones.push_back(hz); }
    bool ask(const std::string& text) override {
        questions.push_back(text);
        boxes.push_back({"提问", text});
        if (onAsk) onAsk(text);
        if (answers.empty()) return defaultAnswer;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    bool askCaption(const std::string& caption, const std::string& text) override {
        bool a = ask(text);
        boxes.back().caption = caption;
        return a;
    }
    void warn(const std::string& text) override {
        warnings.push_back(text);
        boxes.push_back({"警告", text});
    }
    void notice(const std::string& text) override {
        notices.push_back(text);
        boxes.push_back({"提示", text});
        if (onNotice) onNotice(text);
    }
    void noticeCaption(const std::string& caption, const std::string& text) override {
        notices.push_back(text);
        boxes.push_back({caption, text});
        if (onNotice) onNotice(text);
    }
    void setCursor(CursorKind k) override { cursors.push_back(k); }
    void setPrompt(const std::string& text) override { prompts.push_back(text); }
    void setStatus(int pane, const std::string& text) override { status[pane] = text; }
    void requestRedraw() override { ++redraws; }
    // Scripted choices: the index to choose, -1 for cancelled; cancelled when the script runs out.
    std::deque<int> choices;
    std::vector<std::string> choiceTitles;
    int choose(const std::string& title, const std::vector<std::string>& options) override {
        choiceTitles.push_back(title);
        if (choices.empty()) return -1;
        int c = choices.front();
        choices.pop_front();
        return c < int(options.size()) ? c : -1;
    }
    // Form dialogs take their answers from the same script as value dialogs: the values go into
    // the fields other than labels, in order (a list takes the index of its item).
    std::vector<std::vector<FormField>> formFields;  // the fields as each form opened
    bool formDialog(const std::string& title, std::vector<FormField>& fields) override {
        dialogTitles.push_back(title);
        if (onDialog) onDialog(title);
        formFields.push_back(fields);
        // Buttons named in pressButtons are pressed first (their dialogs take queued values
        // before this form does).
        for (auto& f : fields)
            if (f.kind == FormField::Kind::Button && f.action &&
                std::find(pressButtons.begin(), pressButtons.end(), f.label) != pressButtons.end())
                f.action();
        if (dialogValues.empty()) return false;
        std::vector<double> v = std::move(dialogValues.front());
        dialogValues.pop_front();
        if (v.empty()) return false;
        size_t k = 0;
        for (auto& f : fields) {
            if (!f.valued()) continue;
            if (k < v.size()) f.value = v[k];
            ++k;
        }
        return true;
    }
    bool valueDialog(const std::string& title, std::vector<ValueField>& fields) override {
        dialogTitles.push_back(title);
        if (onDialog) onDialog(title);
        dialogFields.push_back(fields);
        if (dialogValues.empty()) return false;
        std::vector<double> v = std::move(dialogValues.front());
        dialogValues.pop_front();
        if (v.empty()) return false;
        for (size_t i = 0; i < fields.size() && i < v.size(); ++i) fields[i].value = v[i];
        return true;
    }
};

}  // namespace rz::test
