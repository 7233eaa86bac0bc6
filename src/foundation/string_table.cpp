#include "foundation/string_table.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "foundation/string_table_data.h"

namespace ob7 {
namespace {

// One line "<id><TAB><text>"; the text may hold \n, \t and \\. Other lines are skipped.
void ParseLine(const char* line, std::size_t length, std::unordered_map<int, std::string>& table) {
    if (length == 0 || line[0] == '#')
        return;
    char* end = nullptr;
    long id = std::strtol(line, &end, 10);
    if (end == line || end >= line + length || *end != '\t' || id < 0 || id > 0x7fffffff)
        return;
    std::string text;
    for (const char* p = end + 1; p < line + length; ++p) {
        if (*p == '\\' && p + 1 < line + length) {
            char e = p[1];
            if (e == 'n' || e == 't' || e == '\\') {
                text += e == 'n' ? '\n' : e == 't' ? '\t' : '\\';
                ++p;
                continue;
            }
        }
        text += *p;
    }
    table.emplace(static_cast<int>(id), std::move(text));  // the first text of an id wins
}

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> t;
        for (int i = 0; i < kStringTableSourceCount; ++i) {
            const char* p = kStringTableSources[i].text;
            while (*p) {
                const char* eol = std::strchr(p, '\n');
                std::size_t length = eol ? static_cast<std::size_t>(eol - p) : std::strlen(p);
                std::size_t used = length;
                if (used > 0 && p[used - 1] == '\r')
                    --used;
                ParseLine(p, used, t);
                p += length + (eol ? 1 : 0);
            }
        }
        return t;
    }();
    return table;
}

char tempBuffer[kMessageTextTempSize];

}  // namespace

const char* FindResString(int id) {
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? nullptr : it->second.c_str();
}

int LoadResString(char* buffer, int id, std::size_t size) {
    if (size == 0)
        return -1;
    const char* text = FindResString(id);
    if (!text) {
        buffer[0] = 0;
        return -1;
    }
    std::size_t length = strnlen(text, size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return static_cast<int>(length);
}

int LoadMessageText(char* buffer, int id, std::size_t size) {
    int length = LoadResString(buffer, id, size);
    if (length >= 2 && buffer[0] == '%' && (buffer[1] == 'E' || buffer[1] == 'W'))
        buffer[0] = '#';
    return length;
}

const char* LoadMessageTextTemp(int id) {
    LoadMessageText(tempBuffer, id, sizeof tempBuffer);
    return tempBuffer;
}

}  // namespace ob7
