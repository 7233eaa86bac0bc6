#pragma once
// The character tries that find a part or a node by its scoped upper-case name in one
// step per character, and the rules a part or label name must follow.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

// 44 trie characters: "$%*+-./", digits, upper-case letters and "_".
inline constexpr int kTrieSlots = 44;
// The slot of a character, 255 for one that is no trie character.
int TrieSlot(unsigned char c);

// A 44-way trie from names to int values (-1 none). A name is stored in the slot of its
// last character; a character outside the trie set ends the walk (nothing stored,
// nothing found). Inner nodes are kept in one array and addressed by index.
class NameTrie {
public:
    NameTrie() { Clear(); }
    // 0; an empty name stores nothing.
    int Insert(const std::string& name, int value);
    int Lookup(const std::string& name) const;
    int InnerNodeCount() const { return static_cast<int>(nodes_.size()) - 1; }
    void Clear();

private:
    struct Slot {
        int32_t child = 0;  // 0: none (node 0 is the root)
        int32_t value = -1;
    };
    std::vector<std::array<Slot, kTrieSlots>> nodes_;
};

// 1 when the name is empty or holds a character that is not a name character (letters,
// digits, "_$/-+*%", "." with allowDot), else 0.
int HasIllegalNameChar(const std::string& name, bool allowDot);
// 0 when the text begins with a letter or "_" and continues with letters, digits and "_".
int IsIllegalIdentifier(const std::string& text);

}  // namespace ob7
