// The help topics of text pages (TextHelp.txt in the program folder): any bytes parse
// into topics without a fault.
#include <cstdint>
#include <string>

#include "netlist/text_help_topics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200000) return 0;
    const ob7::TextHelpTopics topics =
        ob7::ParseTextHelpTopics(std::string(reinterpret_cast<const char*>(data), size));
    for (const auto& [context, topic] : topics)
        if (context < 0 || topic.text.size() > size || topic.title.size() > size) __builtin_trap();
    return 0;
}
