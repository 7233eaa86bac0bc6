#include "foundation/recent_list.h"

#include "foundation/profile.h"

#include <strings.h>

#include <cstdlib>

namespace ob7 {

void CRecentList::Init(int size, const char* keyPrefix, const char* secondPrefix, bool secondIsString) {
    keyPrefix_ = keyPrefix ? keyPrefix : "";
    hasSecond_ = secondPrefix != nullptr;
    secondPrefix_ = secondPrefix ? secondPrefix : "";
    secondIsString_ = secondIsString;
    for (int i = 0; i < kMaxEntries; ++i) FreeEntry(i);
    count_ = 0;
    SetSize(size);
}

void CRecentList::FreeEntry(int i) {
    names_[i].clear();
    seconds_[i].clear();
    flags_[i] = 0;
}

void CRecentList::SetSize(int n) {
    if (n > kMaxEntries) n = kMaxEntries;
    if (n <= 0 || n == count_) return;
    for (int i = n; i < count_; ++i) FreeEntry(i);
    count_ = n;
}

void CRecentList::Clear() {
    for (int i = 0; i < kMaxEntries; ++i) FreeEntry(i);
    count_ = 0;
}

void CRecentList::AddToTop(const char* name, int flag, const char* second) {
    if (count_ <= 0) return;
    const char* text = name ? name : "";
    int drop = count_ - 1;
    for (int i = 0; i < count_; ++i) {
        if (::strcasecmp(names_[i].c_str(), text) == 0) {
            drop = i;
            break;
        }
    }
    for (int i = drop; i > 0; --i) {
        names_[i] = std::move(names_[i - 1]);
        seconds_[i] = std::move(seconds_[i - 1]);
        flags_[i] = flags_[i - 1];
    }
    names_[0] = text;
    seconds_[0] = second ? second : "";
    flags_[0] = flag;
}

int CRecentList::Serialize(Profile& profile) {
    if (profile.mode == 2) {
        std::string entry, key, value;
        while (profile.NextEntry(entry)) {
            SplitKeyValue(entry.c_str(), key, value);
            if (key == "MAX") {
                SetSize(std::atoi(value.c_str()));
                continue;
            }
            bool isName = !keyPrefix_.empty() &&
                          ::strncasecmp(key.c_str(), keyPrefix_.c_str(), keyPrefix_.size()) == 0;
            bool isSecond = !isName && hasSecond_ && !secondPrefix_.empty() &&
                            ::strncasecmp(key.c_str(), secondPrefix_.c_str(), secondPrefix_.size()) == 0;
            if (!isName && !isSecond) continue;
            int i = std::atoi(key.c_str() + (isName ? keyPrefix_ : secondPrefix_).size());
            if (i < 1 || i > kMaxEntries) continue;
            if (i > count_) SetSize(i);
            if (isName)
                names_[i - 1] = value;
            else if (secondIsString_)
                seconds_[i - 1] = value;
            else
                flags_[i - 1] = static_cast<unsigned char>(value.empty() ? 0 : value[0]);
        }
        return profile.error;
    }
    int code = profile.WriteInt("Max", count_);
    for (int i = 0; i < count_; ++i) {
        if (names_[i].empty()) continue;
        std::string index = std::to_string(i + 1);
        code = profile.WriteString((keyPrefix_ + index).c_str(), names_[i].c_str());
        if (!hasSecond_) continue;
        std::string key = secondPrefix_ + index;
        if (secondIsString_ && !seconds_[i].empty()) {
            code = profile.WriteString(key.c_str(), seconds_[i].c_str());
        } else if (!secondIsString_ && flags_[i] != 0) {
            char flag[2] = {static_cast<char>(flags_[i]), 0};
            code = profile.WriteString(key.c_str(), flag);
        }
    }
    return code;
}

CRecentList& FileMru() {
    static CRecentList list(8, "FILE_");
    return list;
}

int SerializeFileMru(Profile& profile) { return FileMru().Serialize(profile); }

}  // namespace ob7
