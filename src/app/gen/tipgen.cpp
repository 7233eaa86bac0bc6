// Writes the tip file from its readable source: tipgen <tips.txt> <tip.ob7>. Lines
// beginning with "#" are comments; "%%" ends a tip.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/tip_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tipgen <tips.txt> <tip.ob7>\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "tipgen: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<std::string> tips(1);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '#') continue;
        if (line == "%%") {
            tips.emplace_back();
            continue;
        }
        if (!tips.back().empty()) tips.back() += '\n';
        tips.back() += line;
    }
    if (tips.back().empty()) tips.pop_back();
    if (int code = ob7::WriteTipFile(argv[2], tips)) {
        std::fprintf(stderr, "tipgen: cannot write %s (%d)\n", argv[2], code);
        return 1;
    }
    return 0;
}
