#pragma once
// Lists of last-used entries (recent files, search texts, components): up to 16
// entries, most recent first, each a name with an optional second text or one-byte
// flag, stored in a profile section under numbered keys.

#include <string>

namespace ob7 {

class Profile;

class CRecentList {
public:
    static constexpr int kMaxEntries = 16;

    CRecentList() = default;
    CRecentList(int size, const char* keyPrefix, const char* secondPrefix = nullptr,
                bool secondIsString = true) {
        Init(size, keyPrefix, secondPrefix, secondIsString);
    }

    // Stores the prefixes (a null second prefix: no second item), clears every entry
    // and sets the size.
    void Init(int size, const char* keyPrefix, const char* secondPrefix, bool secondIsString);

    // n above 16 counts as 16; n <= 0 changes nothing; a smaller size drops the
    // entries from n on.
    void SetSize(int n);

    // Empties every entry; count 0.
    void Clear();

    // Moves an entry of the same name (ignoring case) to the top, or puts a new one
    // there, dropping the last entry.
    void AddToTop(const char* name, int flag = 0, const char* second = nullptr);

    // Reads the current section of a reading profile, or writes the list into a
    // writing one. Returns the profile's error.
    int Serialize(Profile& profile);

    int Count() const { return count_; }
    // Entries are numbered from 0 (the most recent); an empty name is an unused entry.
    const std::string& Name(int i) const { return names_[i]; }
    const std::string& Second(int i) const { return seconds_[i]; }
    int Flag(int i) const { return flags_[i]; }

private:
    void FreeEntry(int i);

    int count_ = 0;
    std::string names_[kMaxEntries];
    std::string seconds_[kMaxEntries];
    int flags_[kMaxEntries] = {};
    std::string keyPrefix_;
    std::string secondPrefix_;
    bool hasSecond_ = false;
    bool secondIsString_ = true;
};

// The program's recent-file list: key prefix "FILE_", no second item, 8 entries.
CRecentList& FileMru();

// The handler of the recent-file section of the settings profile.
int SerializeFileMru(Profile& profile);

}  // namespace ob7
