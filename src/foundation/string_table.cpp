#include "foundation/string_table.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "foundation/string_table_data.h"

namespace ob7 {
namespace {

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> t;
        for (int i = 0; i < kStringTableSourceCount; ++i)
            ForEachStringTableLine(kStringTableSources[i].text,
                                   [&](int id, std::string& text) { t.emplace(id, std::move(text)); });  // first wins
        return t;
    }();
    return table;
}

char tempBuffer[kMessageTextTempSize];

}  // namespace

bool ParseStringTableLine(const char* line, std::size_t length, int* id, std::string* text) {
    if (length == 0 || line[0] == '#' || line[0] < '0' || line[0] > '9')
        return false;
    long value = 0;
    std::size_t i = 0;
    for (; i < length && line[i] >= '0' && line[i] <= '9'; ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > 0x7fffffff)
            return false;
    }
    if (i >= length || line[i] != '\t')
        return false;
    text->clear();
    for (++i; i < length; ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < length && (line[i + 1] == 'n' || line[i + 1] == 't' || line[i + 1] == '\\')) {
            char e = line[++i];
            c = e == 'n' ? '\n' : e == 't' ? '\t' : '\\';
        }
        *text += c;
    }
    *id = static_cast<int>(value);
    return true;
}

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
