// The seam between the core and the windowing platform. The core asks for tones, message
// boxes, cursors, texts, value dialogs and redraws only through this interface; the window
// implements it with Qt, tests with a recording fake. All texts are UTF-8.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace rz {

// Tones of 80 ms: refused pick or input, accepted step, step back or clamped value.
constexpr int kToneRefused = 500;
constexpr int kToneAccepted = 150;
constexpr int kToneBack = 80;

enum class CursorKind { Arrow, Wait, Cross, Pick, Move, Rotate, Zoom, Pan, Digitize, Delete, PointOp };

// One field of a value dialog: the caller fills label, value and range; the dialog writes value.
struct ValueField {
    std::string label;
    double value = 0.0;
    double min = -1e30;
    double max = 1e30;
    int decimals = 2;
};

// An installed printer: the default one comes first.
struct PrinterInfo {
    std::string name, port;
    bool isDefault = false;
    int sizeX = 0, sizeY = 0;    // printable size, mm
    int scopeX = 0, scopeY = 0;  // printable size, device pixels
    int resX = 0, resY = 0;      // dots per inch
};

// One field of a form dialog. Numbers, check boxes (value 0 or 1), lists (value = the index of
// the item chosen), texts and fixed labels; the dialog writes value and text back.
struct FormField {
    // A Button opens a dialog of its own (目标参数 inside 基点属性): its action runs at once and
    // stores what it stores, whether the form is confirmed or not.
    enum class Kind { Number, Check, Choice, Text, Label, Button };
    Kind kind = Kind::Number;
    std::string label;
    double value = 0.0;
    std::string text;                  // Text fields and labels (UTF-8)
    std::vector<std::string> options;  // Choice items
    double min = -1e30;
    double max = 1e30;
    int decimals = 2;
    bool enabled = true;
    // A Choice whose items fill another field: choosing item i puts presets[i] into field
    // `presetTarget` and locks it; a NaN preset gives the field back its first value, unlocked.
    std::vector<double> presets;
    int presetTarget = -1;
    std::function<void()> action;  // Button

    static FormField Number(std::string label, double v, int decimals = 2, double min = -1e30, double max = 1e30) {
        FormField f;
        f.label = std::move(label);
        f.value = v;
        f.decimals = decimals;
        f.min = min;
        f.max = max;
        return f;
    }
    static FormField Check(std::string label, bool on) {
        FormField f;
        f.kind = Kind::Check;
        f.label = std::move(label);
        f.value = on ? 1.0 : 0.0;
        return f;
    }
    static FormField Choice(std::string label, std::vector<std::string> items, int chosen) {
        FormField f;
        f.kind = Kind::Choice;
        f.label = std::move(label);
        f.options = std::move(items);
        f.value = chosen;
        return f;
    }
    static FormField Text(std::string label, std::string text) {
        FormField f;
        f.kind = Kind::Text;
        f.label = std::move(label);
        f.text = std::move(text);
        return f;
    }
    static FormField Label(std::string label, std::string text) {
        FormField f;
        f.kind = Kind::Label;
        f.label = std::move(label);
        f.text = std::move(text);
        return f;
    }
    static FormField Button(std::string label, std::function<void()> action) {
        FormField f;
        f.kind = Kind::Button;
        f.label = std::move(label);
        f.action = std::move(action);
        return f;
    }
    // Labels and buttons take no value.
    bool valued() const { return kind != Kind::Label && kind != Kind::Button; }
    bool on() const { return value != 0.0; }
    int index() const { return int(value); }
};

class Platform {
public:
    virtual ~Platform() = default;
    virtual void tone(int hz) = 0;
    // "提问" box with Yes/No; true for Yes.
    virtual bool ask(const std::string& text) = 0;
    // A Yes/No question under another caption (a few boxes keep their own); true for Yes.
    virtual bool askCaption(const std::string& caption, const std::string& text) {
        (void)caption;
        return ask(text);
    }
    // "警告" box.
    virtual void warn(const std::string& text) = 0;
    // "提示" box.
    virtual void notice(const std::string& text) = 0;
    // A message box under its own caption ("算料结果", "测量结果").
    virtual void noticeCaption(const std::string& caption, const std::string& text) {
        (void)caption;
        notice(text);
    }
    virtual void setCursor(CursorKind kind) = 0;
    // Busy indication for a long operation; the mode's cursor comes back when it ends.
    virtual void setBusy(bool on) { setCursor(on ? CursorKind::Wait : CursorKind::Arrow); }
    // Status-bar pane 3: the current prompt or message.
    virtual void setPrompt(const std::string& text) = 0;
    // Other status-bar panes (4 cursor position, 5 mode name).
    virtual void setStatus(int pane, const std::string& text) = 0;
    virtual void requestRedraw() = 0;
    // A modal value dialog; false when cancelled (fields then keep their input values).
    virtual bool valueDialog(const std::string& title, std::vector<ValueField>& fields) = 0;
    // A modal form with 确认 and 取消; false when cancelled (fields then keep their input values).
    virtual bool formDialog(const std::string& title, std::vector<FormField>& fields) {
        (void)title, (void)fields;
        return false;
    }
    // A modal choice among buttons; the index of the one chosen, or -1 when cancelled.
    virtual int choose(const std::string& title, const std::vector<std::string>& options) {
        (void)title, (void)options;
        return -1;
    }
    // The installed printers, the default one first; none without a print system.
    virtual std::vector<PrinterInfo> printers() { return {}; }
};

// Answers every question with Yes and shows nothing: batch use without a screen.
class HeadlessPlatform : public Platform {
public:
    void tone(int) override {}
    bool ask(const std::string&) override { return true; }
    void warn(const std::string&) override {}
    void notice(const std::string&) override {}
    void setCursor(CursorKind) override {}
    void setPrompt(const std::string&) override {}
    void setStatus(int, const std::string&) override {}
    void requestRedraw() override {}
    bool valueDialog(const std::string&, std::vector<ValueField>&) override { return false; }
};

// Shows the wait cursor for the lifetime of the guard.
class WaitCursor {
public:
    explicit WaitCursor(Platform& p) : p_(p) { p_.setBusy(true); }
    ~WaitCursor() { p_.setBusy(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Platform& p_;
};

}  // namespace rz
