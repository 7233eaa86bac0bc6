#include "netlist/text_help_topics.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "foundation/paths.h"

namespace ob7 {

namespace {

// "@<digits> <title>": the context, or -1.
int HeaderContext(const std::string& line, std::string* title) {
    if (line.size() < 2 || line[0] != '@') return -1;
    size_t i = 1;
    long context = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && context < 1000000)
        context = context * 10 + (line[i++] - '0');
    if (i == 1 || context >= 1000000 || (i < line.size() && line[i] != ' ')) return -1;
    const size_t start = line.find_first_not_of(' ', i);
    *title = start == std::string::npos ? std::string() : line.substr(start);
    return static_cast<int>(context);
}

void TrimTrailingLines(std::string& text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
}

}  // namespace

TextHelpTopics ParseTextHelpTopics(const std::string& text) {
    TextHelpTopics topics;
    TextHelpTopic* current = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string title;
        const int context = HeaderContext(line, &title);
        if (context >= 0) {
            if (current) TrimTrailingLines(current->text);
            current = &topics[context];
            *current = TextHelpTopic{title, {}};
            continue;
        }
        if (!current) continue;  // comments before the first topic
        current->text += line;
        current->text += '\n';
    }
    if (current) TrimTrailingLines(current->text);
    return topics;
}

const TextHelpTopic* FindTextHelpTopic(int context) {
    static const TextHelpTopics topics = [] {
        std::ifstream file(JoinProgramFolder("TextHelp.txt"), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return ParseTextHelpTopics(text.str());
    }();
    const auto it = topics.find(context);
    return it == topics.end() ? nullptr : &it->second;
}

}  // namespace ob7
