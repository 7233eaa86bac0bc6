#pragma once
// The help topics of text pages (F1 on a dot command or a device card), read from the
// program's "TextHelp.txt". A topic starts with a line "@<context> <title>"; the lines
// up to the next topic are its text. Lines starting with '#' outside a topic are comments.

#include <map>
#include <string>

namespace ob7 {

struct TextHelpTopic {
    std::string title;
    std::string text;  // lines joined with '\n', without the trailing empty lines
};

using TextHelpTopics = std::map<int, TextHelpTopic>;

// The topics of a file's text; malformed header lines start no topic and are skipped.
TextHelpTopics ParseTextHelpTopics(const std::string& text);

// The topic of a help context from the program folder's file (read once); null when the
// file or the topic is missing.
const TextHelpTopic* FindTextHelpTopic(int context);

}  // namespace ob7
