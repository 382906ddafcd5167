// rozedoz-cli run IN SCRIPT OUT: scripted input through the engine and the tools the window
// installs, with a scripted platform in place of the window's boxes and dialogs. Each script
// line is one action (a command, a click, a key …) or an answer queued for the next question
// or dialog; after each line one JSON object tells what the engine did. A cut file (.OUT) as
// IN goes onto sheet Ⅰ and the back screen is shown; OUT ending in .OUT gets the current sheet.
//
// Script lines (coordinates in millimetres, model y up; '#' starts a comment line):
//   command NAME|ID          a menu command by its text (曲线, 提取, 端点吸附 …) or number
//   undo | redo              退一步 | 进一步
//   press|release|move|click|rclick X Y [shift] [ctrl] [alt]
//   key NAME [shift] [ctrl] [alt]   Esc, Enter, Tab, Space, Delete, Backspace, arrows, A–Z, 0–9 …
//   answer yes|no            the next "提问" box
//   values V… | cancel       the next value or form dialog (fields in order)
//   choose N|TEXT|cancel     the next popup menu or choice (N counts from 0)
//   text UTF8                the next text dialog (the rest of the line)
//   snap NAMES               the snap switches, comma separated (端点,节点 or end,node; off)
//   page N                   current page 0–3
//   view X0 Y0 X1 Y1         the model rectangle fitted into the 1280 × 800 window
//   set NAME VALUE           a setting (see kSettings below)
//   mode N                   the tool mode N of the screen shown (back-screen tools: 9, 164 …)
//   lost                     the application lost activation
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "grading/align_tool.h"
#include "grading/control_tools.h"
#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/measure.h"
#include "commands/shapes.h"
#include "commands/trace.h"
#include "commands/undo_commands.h"
#include "design/design_tools.h"
#include "font_path.h"
#include "interact/engine.h"
#include "interact/screens.h"
#include "load.h"
#include "material/back_tools.h"
#include "model/gbk.h"
#include "model/font.h"
#include "model/json_writer.h"
#include "model/xie.h"
#include "output/cutfile.h"
#include "output/graded_tools.h"
#include "output/sheet.h"
#include "output/sheet_commands.h"
#include "verbs.h"

namespace rz::cli {
namespace {

// A script error: the line number and what is wrong with it.
struct ScriptError {
    int line = 0;
    std::string what;
};

// The window's boxes and dialogs, answered from queues the script fills; what was shown is
// recorded for the line's report.
class ScriptPlatform : public Platform {
public:
    std::deque<bool> answers;
    std::deque<std::optional<std::vector<double>>> values;  // nullopt: cancel
    struct Choice {
        int index = -1;     // -1 with an empty text: cancel
        std::string text;   // matched against the options when not empty
    };
    std::deque<Choice> choices;
    std::deque<std::optional<std::string>> texts;

    // What happened during the current line.
    std::vector<int> tones;
    std::vector<std::string> shown;  // questions, boxes, dialog titles, popups, in order
    std::vector<std::string> unanswered;
    std::string prompt;

    void beginLine() {
        tones.clear();
        shown.clear();
        unanswered.clear();
    }

    void tone(int hz) override { tones.push_back(hz); }
    bool ask(const std::string& text) override {
        shown.push_back("提问: " + text);
        if (answers.empty()) {
            unanswered.push_back(text);
            return false;
        }
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void warn(const std::string& text) override { shown.push_back("警告: " + text); }
    void notice(const std::string& text) override { shown.push_back("提示: " + text); }
    void setCursor(CursorKind) override {}
    void setPrompt(const std::string& text) override { prompt = text; }
    void setStatus(int, const std::string&) override {}
    void requestRedraw() override {}
    bool valueDialog(const std::string& title, std::vector<ValueField>& fields) override {
        auto v = takeValues(title);
        if (!v) return false;
        for (size_t i = 0; i < fields.size() && i < v->size(); ++i) fields[i].value = (*v)[i];
        return true;
    }
    bool askCaption(const std::string& caption, const std::string& text) override {
        bool a = ask(text);
        shown.back() = caption + ": " + text;
        return a;
    }
    // A form takes the queued values in order, into its fields other than labels and buttons.
    bool formDialog(const std::string& title, std::vector<FormField>& fields) override {
        auto v = takeValues(title);
        if (!v) return false;
        size_t k = 0;
        for (auto& f : fields) {
            if (!f.valued()) continue;
            if (k < v->size()) f.value = (*v)[k];
            ++k;
        }
        return true;
    }
    int choose(const std::string& title, const std::vector<std::string>& options) override {
        shown.push_back(title);
        return takeChoice(title, options);
    }
    // Popup menus of the tools take their answers from the same queue.
    int popup(const std::string& title, const std::vector<std::string>& items, const std::vector<bool>& on) {
        shown.push_back(title);
        int i = takeChoice(title, items);
        if (i >= 0 && (size_t(i) >= on.size() || !on[size_t(i)])) return -1;  // a greyed item
        return i;
    }
    bool askText(std::string& gbk) {
        shown.push_back("字串");
        if (texts.empty()) {
            unanswered.push_back("字串");
            return false;
        }
        auto t = std::move(texts.front());
        texts.pop_front();
        if (!t || t->empty()) return false;
        gbk = Utf8ToGbk(*t);
        return true;
    }
    bool pending() const { return !answers.empty() || !values.empty() || !choices.empty() || !texts.empty(); }

private:
    // The values queued for a dialog titled so; nothing for a cancel or when none are queued.
    std::optional<std::vector<double>> takeValues(const std::string& title) {
        shown.push_back(title);
        if (values.empty()) {
            unanswered.push_back(title);
            return std::nullopt;
        }
        auto v = std::move(values.front());
        values.pop_front();
        return v;
    }
    int takeChoice(const std::string& title, const std::vector<std::string>& options) {
        if (choices.empty()) {
            unanswered.push_back(title);
            return -1;
        }
        Choice c = choices.front();
        choices.pop_front();
        if (!c.text.empty()) {
            for (size_t i = 0; i < options.size(); ++i)
                if (options[i] == c.text) return int(i);
            return -1;
        }
        return c.index < int(options.size()) ? c.index : -1;
    }
};

std::vector<std::string> Split(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> t;
    for (std::string w; in >> w;) t.push_back(w);
    return t;
}

bool Number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && !*end && std::isfinite(v);
}

// Modifier words after the operands.
bool Mods(const std::vector<std::string>& t, size_t from, uint32_t& mods) {
    mods = 0;
    for (size_t i = from; i < t.size(); ++i) {
        if (t[i] == "shift") mods |= kMkShift;
        else if (t[i] == "ctrl") mods |= kMkCtrl;
        else if (t[i] == "alt") mods |= kMkAlt;
        else return false;
    }
    return true;
}

std::optional<int> KeyCode(const std::string& n) {
    static const std::pair<const char*, int> named[] = {
        {"esc", key::Escape},     {"escape", key::Escape}, {"enter", key::Return},
        {"return", key::Return},  {"tab", key::Tab},       {"space", key::Space},
        {"delete", key::Delete},  {"backspace", key::Backspace},
        {"home", key::Home},      {"end", key::End},       {"left", key::Left},
        {"right", key::Right},    {"up", key::Up},         {"down", key::Down},
        {"pageup", key::PageUp},  {"pagedown", key::PageDown}, {"plus", key::Plus},
        {"minus", key::Minus},
    };
    std::string low;
    for (char c : n) low += char(std::tolower(static_cast<unsigned char>(c)));
    for (auto& [name, code] : named)
        if (low == name) return code;
    if (n.size() == 1) {
        char c = char(std::toupper(static_cast<unsigned char>(n[0])));
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') return int(c);
    }
    return std::nullopt;
}

// Snap switches by their menu text, the text without "吸附", or an English word.
std::optional<uint32_t> SnapBits(const std::string& list) {
    static const char* english[] = {"grid", "isolated", "end", "cross", "node", "line",
                                    "mid", "image", "foot", "horizontal", "vertical"};
    uint32_t bits = 0;
    std::string item;
    std::istringstream in(list);
    while (std::getline(in, item, ',')) {
        if (item.empty()) continue;
        if (item == "off" || item == "none" || item == "关闭吸附") continue;
        bool found = false;
        const auto& t = SnapToggles();
        for (size_t i = 0; i < t.size(); ++i) {
            std::string text = t[i].text;
            std::string shortText = text.size() > 6 && text.ends_with("吸附") ? text.substr(0, text.size() - 6) : text;
            if (item == text || item == shortText || item == english[i]) {
                bits |= t[i].bit;
                found = true;
            }
        }
        if (!found) return std::nullopt;
    }
    return bits;
}

// Settings a script may change: NAME, what it is, how the value is stored.
struct SettingDef {
    const char* name;
    const char* help;
    std::function<bool(TDoc&, double)> set;
};
const std::vector<SettingDef>& ScriptSettings() {
    static const std::vector<SettingDef> table = {
        {"cm", "0|1: lengths in centimetres", [](TDoc& d, double v) {
             d.settings.centimetreDisplay = v != 0;
             return true;
         }},
        {"extract-mode", "0–3: 提取方式", [](TDoc& d, double v) {
             if (v < 0 || v > 3 || v != int(v)) return false;
             d.settings.extractionMethod[0] = int(v);
             return true;
         }},
        {"inner-lines", "0|1: 仅取外线 / 拷贝内线", [](TDoc& d, double v) {
             d.settings.extractionMethod[1] = v != 0;
             return true;
         }},
        {"needle", "mm: 针径", [](TDoc& d, double v) {
             if (v <= 0) return false;
             d.settings.needleDiameter = float(v * 100);
             return true;
         }},
        {"seam", "mm: 扩边", [](TDoc& d, double v) { return d.settings.seamAllowances[0] = float(v * 100), true; }},
        {"lap", "mm: 搭边", [](TDoc& d, double v) { return d.settings.seamAllowances[1] = float(v * 100), true; }},
        {"fold", "mm: 折边", [](TDoc& d, double v) { return d.settings.seamAllowances[2] = float(v * 100), true; }},
        {"trim", "mm: 修边", [](TDoc& d, double v) { return d.settings.seamAllowances[3] = float(v * 100), true; }},
        {"foot", "mm: 帮脚", [](TDoc& d, double v) { return d.settings.seamAllowances[4] = float(v * 100), true; }},
        {"offset", "mm: 等距", [](TDoc& d, double v) { return d.settings.equidistance = float(v * 100), true; }},
        {"cut-pins", "0|1: the cut setup's 定针 bit", [](TDoc& d, double v) {
             if (v != 0) d.settings.cutSetup.cutBits |= 1u;
             else d.settings.cutSetup.cutBits &= ~1u;
             return true;
         }},
        {"multi-pick", "0|1: 多元选取", [](TDoc& d, double v) {
             if (v != 0) d.settings.generalFlags |= kGenMultiPick;
             else d.settings.generalFlags &= ~kGenMultiPick;
             return true;
         }},
        {"pick-radius", "pixels 1–8", [](TDoc& d, double v) {
             if (v < 1 || v > 8) return false;
             d.settings.pickRange = int(v);
             return true;
         }},
        {"slot", "0–99: the piece area's current slot", [](TDoc& d, double v) {
             if (v < 0 || v > 99 || v != int(v)) return false;
             d.currentSlot = int(v);
             return true;
         }},
        {"snap-radius", "pixels 1–16", [](TDoc& d, double v) {
             if (v < 1 || v > 16) return false;
             d.settings.snapRange = int(v);
             return true;
         }},
    };
    return table;
}

// The command a name stands for: a mode command, a snap switch or 关闭吸附.
std::optional<int> CommandId(const std::string& name) {
    double v = 0;
    if (Number(name, v) && v == int(v) && v > 0) return int(v);
    for (const ModeCommandInfo& c : ModeCommands())
        if (name == c.text) return c.command;
    for (const SnapToggle& t : SnapToggles())
        if (name == t.text) return int(t.command);
    if (name == "关闭吸附") return int(kSnapOffCommand);
    return std::nullopt;
}

class Runner {
public:
    explicit Runner(TDoc& doc) : doc_(doc) {
        MakeSurfaces(vs_, kWidth, kHeight, FrontWorkRange(0, 0, 0), {92300, 61800}, {92300, 61800});
        eng_ = std::make_unique<Engine>(doc_, vs_);
        // No window: nothing to paint, and the pointer stays where the script puts it.
        eng_->hooks.redraw = [] {};
        eng_->hooks.present = [] {};
        // The tools of the window (as the window's drawing glue installs them).
        InstallDrawTools(*eng_, tools_);
        tools_.trace->askText = [this](std::string& gbk) { return platform().askText(gbk); };
        EditServices edit;
        edit.popup = [this](const std::string& t, const std::vector<std::string>& items, const std::vector<bool>& on) {
            return platform().popup(t, items, on);
        };
        InstallEditTools(*eng_, edit);
        InstallMeasureTool(*eng_);
        DesignServices design;
        design.popup = edit.popup;
        design.basePointAttributes = BasePointAttributeDialog;
        design.partDieNotes = [](Engine& e, Part& p) { return GroupsDialog(e, "部位共模说明", p.sharedDie); };
        InstallDesignTools(*eng_, std::move(design));
        InstallGradingTools(*eng_);
        font_.load(FindFontFile());
        // The sheet's own undo and keys come first, as in the window: the back screen's tools
        // wrap them (undo there also ends the current item).
        out_ = std::make_unique<OutputCommands>(*eng_);
        out_->font = &font_;
        InstallGradedOutputTools(*eng_, &font_);
        MaterialServices material;
        material.font = &font_;
        material.popup = edit.popup;
        material.shapes = &tools_.shapes;
        // The head moves only where a cut file gives the back screen its commands.
        material.moveHead = [this](PointF at) { return sheetShown_ && out_->moveHead(at); };
        InstallMaterialTools(*eng_, std::move(material));
        eng_->UpdateModeStatus();
    }

    // The back screen with sheet Ⅰ.
    void showSheet() {
        sheetShown_ = true;
        PLTC& s = SheetOf(doc_, 0);
        s.ring.reset(s.state());
        vs_.currentSheet = 0;
        SwapScreens(vs_, eng_->toolState());
        eng_->UpdateModeStatus();
    }
    PLTC& currentSheet() { return SheetOf(doc_, vs_.currentSheet == 1 ? 1 : 0); }

    ScriptPlatform& platform() { return static_cast<ScriptPlatform&>(doc_.platform); }

    // Runs one line; the JSON report of an action line goes to `out`.
    std::optional<ScriptError> line(int no, const std::string& text, std::string& out) {
        std::vector<std::string> t = Split(text);
        if (t.empty() || t[0][0] == '#') return std::nullopt;
        auto err = [&](std::string what) { return ScriptError{no, std::move(what)}; };
        const std::string& op = t[0];
        platform().beginLine();
        uint32_t mods = 0;
        std::optional<SnapRule> snap;
        if (op == "command") {
            if (t.size() != 2) return err("command takes one name or number");
            auto id = CommandId(t[1]);
            if (id == kUndoCommand || t[1] == "退一步") UndoStep(*eng_, tools_);
            else if (id == kRedoCommand || t[1] == "进一步") RedoStep(*eng_, tools_);
            else if (!id || !eng_->Command(*id)) return err("unknown command '" + t[1] + "'");
        } else if (op == "undo" || op == "redo") {
            if (t.size() != 1) return err(op + " takes nothing");
            if (op == "undo") UndoStep(*eng_, tools_);
            else RedoStep(*eng_, tools_);
        } else if (op == "press" || op == "release" || op == "move" || op == "click" || op == "rclick") {
            double x = 0, y = 0;
            if (t.size() < 3 || !Number(t[1], x) || !Number(t[2], y) || !Mods(t, 3, mods))
                return err(op + " takes X Y (mm) and shift, ctrl or alt");
            if (std::fabs(x) > 1e5 || std::fabs(y) > 1e5) return err("a point beyond 100 m");
            PixelPoint px = vs_.view.toWindow({float(x * 100), float(y * 100)});
            snap = eng_->pointerAt(px, mods).snap;
            PointerEvent ev{Button::None, mods, px};
            eng_->OnMouseMove(ev);
            if (op == "press" || op == "click") eng_->OnLeftDown({Button::Left, mods, px});
            if (op == "release" || op == "click") eng_->OnLeftUp({Button::Left, mods, px});
            if (op == "rclick") {
                eng_->OnRightDown({Button::Right, mods, px});
                eng_->OnRightUp({Button::Right, mods, px});
            }
        } else if (op == "key") {
            std::optional<int> k = t.size() >= 2 ? KeyCode(t[1]) : std::nullopt;
            if (!k || !Mods(t, 2, mods)) return err("key takes a key name and shift, ctrl or alt");
            eng_->OnKeyDown({*k, mods});
        } else if (op == "answer") {
            if (t.size() != 2 || (t[1] != "yes" && t[1] != "no")) return err("answer takes yes or no");
            platform().answers.push_back(t[1] == "yes");
        } else if (op == "values") {
            if (t.size() == 2 && t[1] == "cancel") {
                platform().values.push_back(std::nullopt);
                report(no, snap, out);
                return std::nullopt;
            }
            std::vector<double> v;
            for (size_t i = 1; i < t.size(); ++i) {
                double d = 0;
                if (!Number(t[i], d)) return err("values takes numbers or cancel");
                v.push_back(d);
            }
            if (v.empty()) return err("values takes numbers or cancel");
            platform().values.push_back(std::move(v));
        } else if (op == "choose") {
            if (t.size() != 2) return err("choose takes an index, a text or cancel");
            double d = 0;
            ScriptPlatform::Choice c;
            if (t[1] == "cancel") c.index = -1;
            else if (Number(t[1], d) && d == int(d) && d >= 0) c.index = int(d);
            else c.text = t[1];
            platform().choices.push_back(c);
        } else if (op == "text") {
            size_t at = text.find("text") + 4;
            while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
            std::string s = text.substr(at);
            while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
            platform().texts.push_back(s.empty() ? std::nullopt : std::optional<std::string>(s));
        } else if (op == "snap") {
            std::string list;
            for (size_t i = 1; i < t.size(); ++i) list += (i > 1 ? "," : "") + t[i];
            auto bits = SnapBits(list);
            if (!bits) return err("unknown snap switch in '" + list + "'");
            eng_->setSnapBits(*bits);
        } else if (op == "page") {
            double n = 0;
            if (t.size() != 2 || !Number(t[1], n) || n != int(n) || n < 0 || n > 3) return err("page takes 0 to 3");
            eng_->CancelStep();
            doc_.setCurrentPage(int(n));
            eng_->designChanged();
        } else if (op == "view") {
            double v[4];
            if (t.size() != 5) return err("view takes X0 Y0 X1 Y1 (mm)");
            for (int i = 0; i < 4; ++i)
                if (!Number(t[size_t(i) + 1], v[i])) return err("view takes X0 Y0 X1 Y1 (mm)");
            if (!(v[2] > v[0]) || !(v[3] > v[1])) return err("view needs X1 > X0 and Y1 > Y0");
            fitView(v[0] * 100, v[1] * 100, v[2] * 100, v[3] * 100);
        } else if (op == "set") {
            double v = 0;
            if (t.size() != 3 || !Number(t[2], v)) return err("set takes a name and a number");
            bool known = false;
            for (const SettingDef& s : ScriptSettings())
                if (t[1] == s.name) {
                    known = true;
                    if (!s.set(doc_, v)) return err("value out of range for " + t[1]);
                }
            if (!known) return err("unknown setting '" + t[1] + "'");
        } else if (op == "mode") {
            double n = 0;
            if (t.size() != 2 || !Number(t[1], n) || n != int(n) || !IsMode(int(n))) return err("mode takes a mode number");
            eng_->SetMode(int(n));
        } else if (op == "lost") {
            eng_->ActivationLost();
        } else {
            return err("unknown line '" + op + "'");
        }
        report(no, snap, out);
        return std::nullopt;
    }

private:
    static constexpr int kWidth = 1280, kHeight = 800;

    // The model rectangle fills the window as far as its proportions allow, its lower-left
    // corner at the window's lower-left pixel.
    void fitView(double x0, double y0, double x1, double y1) {
        View& v = vs_.view;
        double s = std::min(kWidth / (x1 - x0), kHeight / (y1 - y0));
        v.s = float(s);
        v.ox = RoundPx(-x0 * s);
        v.oy = RoundPx(kHeight + y0 * s);
        v.refreshVisible();
        eng_->designChanged();
    }

    void report(int no, std::optional<SnapRule> snap, std::string& out) {
        ScriptPlatform& p = platform();
        JsonWriter j;
        j.beginObj();
        j.kv("line", no);
        j.beginArr("at");
        j.val(eng_->model.x / 100.0);
        j.val(eng_->model.y / 100.0);
        j.endArr();
        if (snap && *snap != SnapRule::None) j.kvStr("snap", SnapRuleText(*snap));
        else j.kvNull("snap");
        j.beginArr("tones");
        for (int hz : p.tones) j.val(hz);
        j.endArr();
        j.kvStr("prompt", p.prompt);
        j.kv("mode", eng_->mode());
        j.kv("step", eng_->step());
        j.kv("undo", int(doc_.undo.stored()));
        // What 选片输出 and 单片输出 put on the current sheet, or the sheet being edited: its items
        // and sheet pieces, the layout ring's slot and count, and whether it has unsaved changes.
        if (const PLTC& sheet = SheetOf(doc_, vs_.currentSheet == 1 ? 1 : 0); !sheet.items.empty() || vs_.backShown) {
            std::vector<int32_t> ids;
            for (const PlotItem& it : sheet.items)
                if (std::find(ids.begin(), ids.end(), it.pieceId) == ids.end()) ids.push_back(it.pieceId);
            j.beginObj("sheet");
            j.kv("items", int(sheet.items.size()));
            j.kv("pieces", int(ids.size()));
            j.kv("ring", int(sheet.ring.position()));
            j.kv("stored", int(sheet.ring.stored()));
            j.kv("dirty", sheet.dirty);
            j.endObj();
        }
        if (!p.shown.empty()) {
            j.beginArr("shown");
            for (auto& s : p.shown) j.valStr(s);
            j.endArr();
        }
        if (!p.unanswered.empty()) {
            j.beginArr("unanswered");
            for (auto& s : p.unanswered) j.valStr(s);
            j.endArr();
        }
        j.endObj();
        out += j.s;
        out += '\n';
    }

    TDoc& doc_;
    ViewState vs_;
    std::unique_ptr<Engine> eng_;
    DrawTools tools_;
    TFont font_;
    std::unique_ptr<OutputCommands> out_;
    bool sheetShown_ = false;  // a cut file was read: the back screen edits it
};

bool IsCutFile(const std::string& path) {
    auto dot = path.rfind('.');
    std::string e = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e == "out";
}

int RunVerb(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: rozedoz-cli run IN|- SCRIPT OUT\n");
        return 2;
    }
    ScriptPlatform platform;
    TDoc doc(platform);
    const bool sheetIn = IsCutFile(args[0]);
    if (sheetIn) {
        std::vector<uint8_t> bytes;
        if (!ReadFileBytes(args[0], bytes, nullptr)) {
            std::fprintf(stderr, "rozedoz-cli run: %s: cannot read\n", args[0].c_str());
            return 1;
        }
        CutFileContent c = ReadCutFile(bytes);
        if (c.form == CutFileForm::Unknown) {
            std::fprintf(stderr, "rozedoz-cli run: %s: not a cut file\n", args[0].c_str());
            return 1;
        }
        if (c.truncated)
            std::fprintf(stderr, "rozedoz-cli: warning: %s is truncated; using what could be read\n", args[0].c_str());
        PLTC& s = SheetOf(doc, 0);
        s.items = std::move(c.items);
        s.material = std::move(c.material);
        s.nextPieceId = c.nextPieceId;
    } else if (args[0] != "-") {
        FileResult r;
        if (!LoadPattern(doc, args[0], r)) return 1;
    }
    std::ifstream in(args[1]);
    if (!in) {
        std::fprintf(stderr, "rozedoz-cli run: cannot read %s\n", args[1].c_str());
        return 1;
    }
    Runner run(doc);
    if (sheetIn) run.showSheet();
    std::string text;
    int no = 0;
    while (std::getline(in, text)) {
        ++no;
        std::string out;
        auto e = run.line(no, text, out);
        std::fwrite(out.data(), 1, out.size(), stdout);
        if (e) {
            std::fprintf(stderr, "rozedoz-cli run: %s:%d: %s\n", args[1].c_str(), e->line, e->what.c_str());
            return 2;
        }
    }
    if (platform.pending()) {
        std::fprintf(stderr, "rozedoz-cli run: %s: answers left over that no question or dialog took\n",
                     args[1].c_str());
        return 2;
    }
    std::string err;
    const std::vector<uint8_t> bytes = IsCutFile(args[2])
                                           ? WriteCutFile(run.currentSheet().items, run.currentSheet().material)
                                           : WriteXie(doc.design);
    if (!WriteFileAtomic(args[2], bytes, &err)) {
        std::fprintf(stderr, "rozedoz-cli run: cannot write %s: %s\n", args[2].c_str(), err.c_str());
        return 1;
    }
    return 0;
}

RegisterVerb reg("run", "run IN|- SCRIPT OUT       scripted input through the window's tools; .XIE or .OUT (see README)", RunVerb);

}  // namespace
}  // namespace rz::cli
