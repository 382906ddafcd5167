#include "fake_platform.h"

namespace rz::test {

bool FakePlatform::ask(const std::string& text) {
    boxes.push_back({"提问", text});
    if (answers.empty()) return defaultAnswer;
    bool a = answers.front();
    answers.pop_front();
    return a;
}

bool FakePlatform::valueDialog(const std::string& title, std::vector<ValueField>& fields) {
    dialogTitles.push_back(title);
    if (dialogValues.empty()) return false;
    std::vector<double> v = std::move(dialogValues.front());
    dialogValues.pop_front();
    if (v.empty()) return false;
    for (size_t i = 0; i < fields.size() && i < v.size(); ++i) fields[i].value = v[i];
    return true;
}

std::vector<std::string> FakePlatform::questions() const {
    std::vector<std::string> q;
    for (const auto& b : boxes)
        if (b.caption == "提问") q.push_back(b.text);
    return q;
}

void FakePlatform::clear() {
    tones.clear();
    boxes.clear();
    cursors.clear();
    prompts.clear();
    status.clear();
    dialogTitles.clear();
    redraws = 0;
}

}  // namespace rz::test
