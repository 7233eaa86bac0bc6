#include "analysis_ui/expression_menu.h"

#include <strings.h>

#include <algorithm>

#include "expression/operator_table.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

constexpr int kChooserLimit = 20;  // a longer class opens the chooser
constexpr int kClassColumn = 10;   // items of a class submenu per column
constexpr int kMaxNodeName = 90;

constexpr int kOperatorFirstClass = 2, kOperatorLastClass = 13, kFunctionClass = 14;

platform::DialogTemplate ChooserTemplate(const std::string& title) {
    return platform::DialogTemplate{CVariableChooserDlg::kTemplate, title, {180, 170}, {
        {ControlKind::ListBox, CVariableChooserDlg::kList, "", Rect{6, 6, 124, 164}},
        {ControlKind::DefPushButton, 1, "OK", Rect{130, 6, 174, 20}},
        {ControlKind::PushButton, 2, "Cancel", Rect{130, 24, 174, 38}},
    }};
}

std::string NodeVariable(const DefaultNodeName& n, bool cut) {
    const std::string name = cut ? n.name.substr(0, kMaxNodeName) : n.name;
    return std::string(1, n.digital ? 'D' : 'V') + "(" + name + ")";
}

}  // namespace

// ---- the chooser ------------------------------------------------------------------------------

CVariableChooserDlg::CVariableChooserDlg(std::string title, std::vector<std::string> items, platform::Window* parent)
    : CDialog2(ChooserTemplate(title), nullptr, parent), items_(std::move(items)) {}

bool CVariableChooserDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (const std::string& item : items_) AddString(kList, item);
    if (!items_.empty()) SetCurSel(kList, 0);
    return true;
}

void CVariableChooserDlg::OnOK() {
    const int sel = CurSel(kList);
    chosen = sel >= 0 ? ItemString(kList, sel) : std::string();
    EndDialogSavePos(1);
}

void CVariableChooserDlg::OnControlNotify(int id, platform::Notify code) {
    if (id == kList && code == platform::Notify::DoubleClick) return OnOK();
    CDialog2::OnControlNotify(id, code);
}

// ---- the menu ---------------------------------------------------------------------------------

int ExpressionMenu::Add(platform::Menu& menu, Entry entry, int flags) {
    const int id = next_++;
    menu.Append(id, entry.kind == Kind::Chooser ? entry.text + "..." : entry.text, flags);
    entries_[id] = std::move(entry);
    return id;
}

void ExpressionMenu::Build(platform::Menu& menu, const ExpressionMenuSource& source, bool withExpand) {
    entries_.clear();
    next_ = kFirstId;
    if (withExpand) menu.Append(kExpandId, "&Expand...");
    // Variables: one class each, a submenu when short, the chooser when long.
    std::vector<std::pair<std::string, std::vector<std::string>>> classes;
    std::vector<std::string> analog, digital, choiceAnalog, choiceDigital;
    for (const DefaultNodeName& n : source.nodes) {
        (n.digital ? digital : analog).push_back(NodeVariable(n, true));
        (n.digital ? choiceDigital : choiceAnalog).push_back(NodeVariable(n, false));
    }
    std::vector<std::string> voltages, currents;
    for (const std::string& p : source.parts) voltages.push_back("V(" + p + ")"), currents.push_back("I(" + p + ")");
    classes = {{"Node Voltages", analog}, {"Digital States", digital}, {"Device Voltages", voltages},
               {"Device Currents", currents}};
    if (source.kind != 1) {
        std::vector<std::string> power;
        for (const std::string& p : source.parts) power.push_back("PD(" + p + ")");
        classes.push_back({"Device Power", power});
    }
    platform::Menu& variables = menu.AppendPopup("Variables");
    for (size_t k = 0; k < classes.size(); ++k) {
        auto& [name, items] = classes[k];
        if (items.empty()) continue;
        if (static_cast<int>(items.size()) > kChooserLimit) {
            Entry e{Kind::Chooser, name, k == 0 ? choiceAnalog : k == 1 ? choiceDigital : items, 1};
            Add(variables, std::move(e));
            continue;
        }
        platform::Menu& sub = variables.AppendPopup(name);
        for (size_t i = 0; i < items.size(); ++i)
            Add(sub, Entry{Kind::Text, items[i], {}, 1}, i > 0 && i % kClassColumn == 0 ? platform::kMenuBreak : 0);
    }
    if (source.kind == 1) {
        platform::Menu& noise = variables.AppendPopup("NOISE");
        for (const char* n : {"INOISE", "ONOISE"}) Add(noise, Entry{Kind::Text, n, {}, 1});
    }
    platform::Menu& analysis = menu.AppendPopup("&Analysis Variables");
    for (const char* v : {"T", "TIME", "TMIN", "TMAX", "F", "FMIN", "FMAX", "GMIN", "VT", "TEMP", "S", "RND"})
        Add(analysis, Entry{Kind::Text, v, {}, 1});
    platform::Menu& constants = menu.AppendPopup("&Constants");
    for (const char* c : {"E", "J", "PI", "TRUE", "FALSE"}) Add(constants, Entry{Kind::Text, c, {}, 1});
    const bool anySymbol = std::any_of(source.symbols.begin(), source.symbols.end(),
                                       [](const SymbolScope& scope) { return !scope.symbols.empty(); });
    if (anySymbol) {
        platform::Menu& symbols = menu.AppendPopup("Symbolics");
        for (const SymbolScope& scope : source.symbols) {
            if (scope.symbols.empty()) continue;
            platform::Menu& sub = symbols.AppendPopup(scope.name);
            for (size_t i = 0; i < scope.symbols.size(); ++i)
                Add(sub, Entry{Kind::Text, scope.symbols[i], {}, 1}, i > 0 && i % kClassColumn == 0 ? platform::kMenuBreak : 0);
        }
    }
    // Functions and operators valid for the analysis, from the expression table.
    const int mask = 1 << std::clamp(source.kind, 0, 2);
    const OperatorRow* rows = OperatorTableRows();
    std::vector<const OperatorRow*> functions, operators;
    for (int i = 0; i < OperatorTableSize(); ++i) {
        const OperatorRow& r = rows[i];
        if (!(r.analysis & mask) || !r.name || !*r.name) continue;
        if (r.cls == kFunctionClass && r.device_mask == 0) functions.push_back(&r);
        else if (r.cls >= kOperatorFirstClass && r.cls <= kOperatorLastClass) operators.push_back(&r);
    }
    auto byName = [](const OperatorRow* a, const OperatorRow* b) { return strcasecmp(a->name, b->name) < 0; };
    std::sort(functions.begin(), functions.end(), byName);
    platform::Menu& fn = menu.AppendPopup("&Functions");
    for (size_t i = 0; i < functions.size(); ++i)
        Add(fn, Entry{Kind::Function, functions[i]->name, {}, std::max<int>(1, functions[i]->min_args)},
            i > 0 && i % 15 == 0 ? platform::kMenuBreak : 0);
    platform::Menu& op = menu.AppendPopup("&Operators");
    for (size_t i = 0; i < operators.size(); ++i) {
        std::string shown;
        for (const char* c = operators[i]->name; *c; ++c) shown += *c == '&' ? std::string("&&") : std::string(1, *c);
        const int id = Add(op, Entry{Kind::Operator, operators[i]->name, {}, 1}, i > 0 && i % 9 == 0 ? platform::kMenuBreak : 0);
        if (platform::Menu::Item* item = op.FindItem(id)) item->text = shown;
    }
    // Stored curves: per file a submenu of CurveX and one of CurveY calls, nine files a column.
    if (!source.curveFiles.empty()) {
        platform::Menu& curve = menu.AppendPopup("&Curve");
        for (const char* function : {"CurveX", "CurveY"}) {
            platform::Menu& calls = curve.AppendPopup(function);
            for (size_t f = 0; f < source.curveFiles.size(); ++f) {
                const CurveFileMenu& file = source.curveFiles[f];
                platform::Menu& sub = calls.AppendPopup(file.file, f > 0 && f % 9 == 0 ? platform::kMenuBreak : 0);
                for (const std::string& label : file.labels)
                    Add(sub, Entry{Kind::Text, std::string(function) + "(\"" + file.file + "\",\"" + label + "\")", {}, 1});
            }
        }
    }
}

ExpressionMenu::Choice ExpressionMenu::Choose(int id, const std::string& cell, const std::string& x,
                                              platform::Window* parent) const {
    if (id == kExpandId) return {Action::Expand, {}};
    const auto it = entries_.find(id);
    if (it == entries_.end()) return {};
    const Entry& e = it->second;
    switch (e.kind) {
    case Kind::Text: return {Action::ReplaceSelection, e.text};
    case Kind::Operator: return {Action::ReplaceSelection, " " + e.text + " "};
    case Kind::Chooser: {
        CVariableChooserDlg chooser(e.text, e.choices, parent);
        if (chooser.DoModal() != 1 || chooser.chosen.empty()) return {};
        return {Action::ReplaceSelection, chooser.chosen};
    }
    case Kind::Function: {
        const std::string inner = cell.empty() ? "?" : cell;
        const std::string& f = e.text;
        if (strcasecmp(f.c_str(), "RND") == 0) return {Action::SetText, "RND"};
        if (strcasecmp(f.c_str(), "SUM") == 0) return {Action::SetText, f + "(" + inner + "," + x + ")"};
        if (strcasecmp(f.c_str(), "CS") == 0 || strcasecmp(f.c_str(), "COH") == 0)
            return {Action::SetText, f + "(" + inner + ",f)"};
        if (strcasecmp(f.c_str(), "CC") == 0) return {Action::SetText, f + "(" + inner + ",t)"};
        std::string more;
        for (int a = 1; a < e.minArgs; ++a) more += ",?";
        return {Action::SetText, f + "(" + inner + more + ")"};
    }
    }
    return {};
}

}  // namespace ob7
