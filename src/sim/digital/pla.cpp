#include "sim/digital/pla.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/digital/digital_messages.h"
#include "sim/digital/stimulus.h"

namespace ob7 {

bool IsPlaType(int type) { return type >= kCtPland && type <= kCtPlnxorc; }
bool IsComplementedPla(int type) { return type >= kCtPlandc && type <= kCtPlnxorc; }

int PlaFuseCount(const DigitalPartDesc& part) {
    return part.input_count * part.output_count * (IsComplementedPla(part.type) ? 2 : 1);
}

int ParseFuseData(const std::string& text, int fuse_count, PlaFuseRecord* record, char* bad) {
    record->fuses.assign(fuse_count, 0);
    record->from_file = false;
    if (text.empty()) return 0;
    const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (radix != 'B' && radix != 'O' && radix != 'X') return 13234;
    const size_t open = text.find('$');
    if (open == std::string::npos) return 0;
    const size_t close = text.find('$', open + 1);
    std::string digits;
    for (size_t i = open + 1; i < (close == std::string::npos ? text.size() : close); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i]))) digits += text[i];
    const std::string bits = ExpandRadixDigits(digits, std::string(1, radix), true);
    for (size_t j = 0; j < bits.size(); ++j) {
        if (bits[j] != '0' && bits[j] != '1') {
            *bad = bits[j];
            return 13235;
        }
        if (j < static_cast<size_t>(fuse_count)) record->fuses[j] = bits[j] == '1' ? 1 : 0;
    }
    return 0;
}

int ParseJedecText(const std::string& text, PlaFuseRecord* record, int* line_out, int* arg) {
    long long qf = -1;
    int default_state = -1;  // -1 undefined, 1 connected, 0 open
    bool have_data = false;
    int line = 1;
    size_t i = 0;
    *arg = 0;
    auto fail = [&](int code) {
        *line_out = line;
        return code;
    };
    for (;;) {
        while (i < text.size() && !std::isalpha(static_cast<unsigned char>(text[i])) && text[i] != '*') {
            if (text[i] == '\n') ++line;
            ++i;
        }
        if (i >= text.size()) break;
        const size_t start = i;
        const int field_line = line;
        const size_t end = text.find('*', i);
        if (end == std::string::npos) break;  // an unterminated field ends the reading
        std::string field = text.substr(start, end - start);
        for (char c : field) if (c == '\n') ++line;
        i = end + 1;
        if (field.empty()) continue;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
        line = field_line;
        if (letter == 'Q' && field.size() > 1 && std::toupper(static_cast<unsigned char>(field[1])) == 'F') {
            if (qf >= 0) return fail(13239);
            qf = std::atoll(field.c_str() + 2);
            if (qf < 0) qf = 0;
            if (qf > (1 << 24)) qf = 1 << 24;  // far beyond any device
        } else if (letter == 'F') {
            size_t k = 1;
            while (k < field.size() && std::isspace(static_cast<unsigned char>(field[k]))) ++k;
            if (k >= field.size() || (field[k] != '0' && field[k] != '1')) return fail(13237);
            default_state = field[k] == '0' ? 1 : 0;
        } else if (letter == 'L' || letter == 'K') {
            if (qf < 0) return fail(13236);
            if (!have_data) {
                record->fuses.assign(static_cast<size_t>(qf), static_cast<signed char>(default_state));
                have_data = true;
            }
            size_t k = 1;
            if (k >= field.size() || std::isspace(static_cast<unsigned char>(field[k]))) return fail(13238);
            bool negative = false;
            if (field[k] == '-') { negative = true; ++k; }
            long long address = 0;
            bool digits = false;
            while (k < field.size() && std::isdigit(static_cast<unsigned char>(field[k]))) {
                address = address * 10 + (field[k] - '0');
                if (address > (1ll << 31)) address = 1ll << 31;
                ++k;
                digits = true;
            }
            if (negative) {
                *arg = static_cast<int>(-address);
                return fail(13249);
            }
            if (!digits) return fail(13238);
            for (; k < field.size(); ++k) {
                const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(field[k])));
                if (std::isspace(static_cast<unsigned char>(c))) continue;
                int bits[4], count = 1;
                if (letter == 'L') {
                    if (c != '0' && c != '1') { *arg = c; return fail(13235); }
                    bits[0] = c - '0';
                } else {
                    int v;
                    if (c >= '0' && c <= '9') v = c - '0';
                    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
                    else { *arg = c; return fail(13235); }
                    count = 4;
                    for (int b = 0; b < 4; ++b) bits[b] = v >> (3 - b) & 1;
                }
                for (int b = 0; b < count; ++b) {
                    if (address >= qf) return fail(13240);
                    record->fuses[static_cast<size_t>(address++)] = bits[b] == 0 ? 1 : 0;
                }
            }
        }
    }
    if (!have_data) return fail(13242);
    for (size_t f = 0; f < record->fuses.size(); ++f) {
        if (record->fuses[f] < 0) {
            *arg = static_cast<int>(f);
            return fail(13241);
        }
    }
    record->from_file = true;
    return 0;
}

int PlaOutputPins(const DigitalPartDesc& part, const PlaFuseRecord& record, int k, std::vector<int>* pins) {
    const bool comp = IsComplementedPla(part.type);
    const int inputs = part.input_count;
    long long stride = comp ? 2 : 1, step, offset = 0, comp_offset = 1;
    if (record.from_file) {
        offset = static_cast<long long>(part.timing.Get("OFFSET", 0));
        comp_offset = static_cast<long long>(part.timing.Get("COMPOFFSET", 1));
        const double inscale = part.timing.Get("INSCALE", 0), outscale = part.timing.Get("OUTSCALE", 0);
        if (inscale > 0) stride = static_cast<long long>(inscale);
        step = outscale > 0 ? static_cast<long long>(outscale) : inputs * stride;
    } else {
        step = inputs * stride;
        comp_offset = 1;
    }
    const long long count = static_cast<long long>(record.fuses.size());
    for (int i = 0; i < inputs; ++i) {
        const long long t = offset + k * step + i * stride;
        const long long c = (record.from_file ? comp_offset : 1) + k * step + i * stride;
        if (t < 0 || t >= count || (comp && (c < 0 || c >= count))) return 13250;
        const int node = part.pins[i];
        if (record.fuses[t] == 1) pins->push_back(node);
        else if (comp && record.fuses[c] == 1) pins->push_back(-node);
    }
    return 0;
}

int LoadPlaProgram(const DigitalPartDesc& part, PlaFuseRecord* record) {
    auto file_it = part.attributes.find("FILE");
    std::string file = file_it == part.attributes.end() ? std::string() : file_it->second;
    file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
    if (!file.empty()) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return DigitalSetupFail(11902, part.name, file, 0, "file", file.c_str());
        std::stringstream ss;
        ss << in.rdbuf();
        int line = 0, arg = 0;
        const int code = ParseJedecText(ss.str(), record, &line, &arg);
        if (code == 13235) return DigitalSetupFail(code, part.name, file, line, static_cast<char>(arg));
        if (code) return DigitalSetupFail(code, part.name, file, line, arg);
        return 0;
    }
    auto data_it = part.attributes.find("DATA");
    char bad = 0;
    const int code = ParseFuseData(data_it == part.attributes.end() ? std::string() : data_it->second,
                                   PlaFuseCount(part), record, &bad);
    if (code == 13235) return DigitalSetupFail(code, part.name, "", 0, bad);
    if (code) return DigitalSetupFail(code, part.name, "", 0);
    return 0;
}

}  // namespace ob7
