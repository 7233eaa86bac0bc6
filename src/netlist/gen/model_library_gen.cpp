// Writes a binary model library from its readable source table (see data/models/*.txt),
// through the library writer of the program, so the file is what the program writes.
// Usage: ob7_modelgen <source.txt> <library.LBR>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "foundation/numbers.h"
#include "netlist/model_library.h"
#include "netlist/model_statements.h"
#include "netlist/model_types.h"

using namespace ob7;

namespace {

int Fail(const std::string& source, int line, const std::string& what) {
    std::cerr << source << ":" << line << ": " << what << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ob7_modelgen <source.txt> <library.LBR>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) return Fail(argv[1], 0, "cannot be read");
    ModelLibrary library;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string typeName, name;
        fields >> typeName >> name;
        std::string rest;
        std::getline(fields, rest);
        const size_t open = rest.find('"');
        const size_t close = open == std::string::npos ? open : rest.find('"', open + 1);
        if (close == std::string::npos) return Fail(argv[1], number, "the memo must be quoted");
        const std::string memo = rest.substr(open + 1, close - open - 1);
        const std::string items = rest.substr(close + 1);

        int type = FindModelType(typeName.c_str());
        if (type < 0) return Fail(argv[1], number, "unknown model type " + typeName);
        if (type == kModelNmos || type == kModelPmos) type = ParseModelLevel(items.c_str(), type);
        if (name.size() > 23 || memo.size() > 41) return Fail(argv[1], number, "name or memo too long");
        LibraryModel* m = library.AddModelQuiet(type);
        if (!m) return Fail(argv[1], number, "the type cannot be kept in a library");
        std::strcpy(m->name, name.c_str());
        std::strcpy(m->memo, memo.c_str());

        std::istringstream list(items);
        std::string item;
        while (list >> item) {
            const size_t eq = item.find('=');
            if (eq == std::string::npos) return Fail(argv[1], number, "expected NAME=value: " + item);
            const int param = FindModelParam(type, item.substr(0, eq).c_str());
            if (param < 0) return Fail(argv[1], number, "unknown parameter " + item);
            int error = 0;
            m->values[param] = ParseNumber(item.c_str() + eq + 1, &error);
            if (error) return Fail(argv[1], number, "bad value " + item);
        }
    }
    if (int r = library.Save(argv[2])) return Fail(argv[2], 0, "cannot be written (code " + std::to_string(r) + ")");
    return 0;
}
