#include "app/tip_file.h"

#include <cstdio>

#include "foundation/binfile.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/profile.h"

namespace ob7 {

TipSettings Tip;

namespace {

ProfileValueRow* TipRows(int& count) {
    static ProfileValueRow rows[] = {
        {"Show", &Tip.show, kValueYesNo},
        {"Index", &Tip.index, kValueInt},
    };
    count = 2;
    return rows;
}

}  // namespace

int SerializeTipSection(Profile& profile) {
    int count = 0;
    ProfileValueRow* rows = TipRows(count);
    if (profile.mode == 1) return profile.WriteTypedValues(rows, count);
    std::string entry, key, value;
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        profile.ReadTypedValue(rows, count, key.c_str(), value.c_str());
    }
    return 0;
}

std::string TipFilePath() { return GetModuleFolder() + "/tip.ob7"; }

std::optional<std::string> LoadTipText(const std::string& path) {
    BinFile file;
    if (int code = file.OpenRead(path.c_str())) {
        char reason[2000];
        const char* caption = GetMessageText(reason, sizeof reason, &code);
        return std::string(caption ? caption : "Error") + "\n" + reason;
    }
    const int32_t count = file.ReadInt();
    if (file.error || count <= 0) return std::nullopt;
    if (Tip.index < 0) Tip.index = count - 1;
    Tip.index %= count;
    // The table is read in order up to the wanted entry: an offset and a spare int each.
    int32_t offset = 0;
    for (int i = 0; i <= Tip.index && !file.error; ++i) {
        offset = file.ReadInt();
        file.ReadInt();
    }
    std::string text;
    if (!file.error && std::fseek(file.file, offset, SEEK_SET) == 0) {
        const int32_t length = file.ReadInt();
        if (!file.error && length > 0 && length < (1 << 24)) {
            text.resize(static_cast<size_t>(length));
            if (file.Read(text.data(), text.size()) != 0) text.clear();
        }
    }
    return text;
}

int WriteTipFile(const std::string& path, const std::vector<std::string>& tips) {
    BinFile file;
    if (int code = file.OpenWrite(path.c_str())) return code;
    file.WriteInt(static_cast<int32_t>(tips.size()));
    int32_t offset = static_cast<int32_t>(4 + 8 * tips.size());
    for (const std::string& tip : tips) {
        file.WriteInt(offset);
        file.WriteInt(0);
        offset += static_cast<int32_t>(4 + tip.size());
    }
    for (const std::string& tip : tips) {
        file.WriteInt(static_cast<int32_t>(tip.size()));
        file.Write(tip.data(), tip.size());
    }
    return file.Close();
}

}  // namespace ob7
