#pragma once
// The expression menu of a Y-expression cell: the circuit's variables by class (a class
// of more than 20 opens the variable chooser), the analysis variables, the constants, the
// circuit's symbols, the functions and the operators of the analysis. A choice replaces
// the selection, is inserted between blanks (operators) or wraps the cell's text
// (functions). Stored curves of user-source files are offered as CurveX and CurveY calls.

#include <map>
#include <string>
#include <vector>

#include "analysis/curve_rows.h"
#include "analysis_ui/curve_file_menus.h"
#include "platform/menu.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

// The symbols of one scope of the circuit, function-like ones with "(args)".
struct SymbolScope {
    std::string name;
    std::vector<std::string> symbols;
};

// What the circuit offers the menu.
struct ExpressionMenuSource {
    int kind = 0;                        // 0 transient, 1 AC, 2 DC
    std::vector<DefaultNodeName> nodes;  // the main circuit's nodes
    std::vector<std::string> parts;      // parts with a voltage and a current of their own
    std::vector<SymbolScope> symbols;    // one submenu each
    std::vector<CurveFileMenu> curveFiles;  // the stored curves of user-source files
};

// The chooser of a long variable class (template 218): a list of the variables; OK
// gives the chosen line.
class CVariableChooserDlg : public CDialog2 {
public:
    static constexpr int kTemplate = 218, kList = 109;
    CVariableChooserDlg(std::string title, std::vector<std::string> items, platform::Window* parent);
    bool OnInitDialog() override;
    void OnOK() override;
    void OnControlNotify(int id, platform::Notify code) override;
    std::string chosen;

private:
    std::vector<std::string> items_;
};

class ExpressionMenu {
public:
    static constexpr int kFirstId = 3500, kExpandId = 17114;

    // Builds the menu from the source; "&Expand..." comes first when asked.
    void Build(platform::Menu& menu, const ExpressionMenuSource& source, bool withExpand);

    enum class Action { None, Expand, ReplaceSelection, SetText };
    struct Choice {
        Action action = Action::None;
        std::string text;
    };
    // What the chosen item does to a cell holding `cell` in a row whose X expression is
    // `x`. A class with a chooser runs it (parent) and gives its line, or nothing on Cancel.
    Choice Choose(int id, const std::string& cell, const std::string& x, platform::Window* parent) const;

private:
    enum class Kind { Text, Chooser, Operator, Function };
    struct Entry {
        Kind kind = Kind::Text;
        std::string text;                 // the item's text, or the function's name
        std::vector<std::string> choices; // a chooser's lines
        int minArgs = 1;
    };
    int Add(platform::Menu& menu, Entry entry, int flags = 0);
    std::map<int, Entry> entries_;
    int next_ = kFirstId;
};

}  // namespace ob7
