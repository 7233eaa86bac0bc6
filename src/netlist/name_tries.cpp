#include "netlist/name_tries.h"

#include <cctype>

namespace ob7 {

namespace {

struct SlotMap {
    uint8_t slot[256];
    SlotMap() {
        for (unsigned char& s : slot) s = 255;
        const char* set = "$%*+-./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
        for (int i = 0; set[i]; ++i) slot[static_cast<unsigned char>(set[i])] = static_cast<uint8_t>(i);
    }
};
const SlotMap kSlots;

bool IsNameChar(char c, bool allowDot) {
    if (std::isalnum(static_cast<unsigned char>(c))) return true;
    switch (c) {
    case '_': case '$': case '/': case '-': case '+': case '*': case '%': return true;
    case '.': return allowDot;
    default: return false;
    }
}

}  // namespace

int TrieSlot(unsigned char c) { return kSlots.slot[c]; }

void NameTrie::Clear() {
    nodes_.assign(1, {});
}

int NameTrie::Insert(const std::string& name, int value) {
    int node = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const int s = kSlots.slot[static_cast<unsigned char>(name[i])];
        if (s == 255) return 0;
        if (i + 1 == name.size()) {
            nodes_[node][s].value = value;
            return 0;
        }
        int child = nodes_[node][s].child;
        if (child == 0) {
            child = static_cast<int>(nodes_.size());
            nodes_.push_back({});
            nodes_[node][s].child = child;
        }
        node = child;
    }
    return 0;
}

int NameTrie::Lookup(const std::string& name) const {
    if (name.empty()) return -1;
    int node = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const int s = kSlots.slot[static_cast<unsigned char>(name[i])];
        if (s == 255) return -1;
        if (i + 1 == name.size()) return nodes_[node][s].value;
        node = nodes_[node][s].child;
        if (node == 0) return -1;
    }
    return -1;
}

int HasIllegalNameChar(const std::string& name, bool allowDot) {
    if (name.empty()) return 1;
    for (char c : name)
        if (!IsNameChar(c, allowDot)) return 1;
    return 0;
}

int IsIllegalIdentifier(const std::string& text) {
    if (text.empty()) return 1;
    if (!std::isalpha(static_cast<unsigned char>(text[0])) && text[0] != '_') return 1;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return 1;
    return 0;
}

}  // namespace ob7
