#include "app/demo_file.h"

#include "foundation/binfile.h"
#include "foundation/message_codes.h"
#include "foundation/paths.h"

namespace ob7 {

namespace {

constexpr int32_t kDemoVersion = 0x70000;
constexpr int32_t kMaxScript = 1 << 24;
constexpr int32_t kMaxLabels = 1 << 16;

}  // namespace

int DemoScript::Find(int key) const {
    for (size_t i = 0; i < keys.size() && i < positions.size(); ++i)
        if (keys[i] == key) return positions[i] >= 0 && positions[i] < static_cast<int>(script.size()) ? positions[i] : -1;
    return -1;
}

int ReadDemoFile(const std::string& path, DemoScript& demo) {
    demo = DemoScript{};
    BinFile file;
    if (int code = file.OpenRead(path.c_str())) return code;
    int32_t version = 0;
    if (int code = file.ReadHeader("DMO", version)) return code;
    const int32_t length = file.ReadInt();
    if (file.error) return file.error;
    if (length <= 0) return kMsgReported;
    if (length > kMaxScript) return kMsgBadFileFormat;
    demo.script.resize(static_cast<size_t>(length));
    if (int code = file.Read(demo.script.data(), demo.script.size())) return code;
    const int32_t labels = file.ReadInt();
    if (file.error) return file.error;
    if (labels < 0 || labels > kMaxLabels) return kMsgBadFileFormat;
    demo.keys.resize(static_cast<size_t>(labels));
    demo.positions.resize(static_cast<size_t>(labels));
    for (int32_t& key : demo.keys) key = file.ReadInt();
    for (int32_t& position : demo.positions) position = file.ReadInt();
    return file.error;
}

int WriteDemoFile(const std::string& path, const DemoScript& demo) {
    BinFile file;
    if (int code = file.OpenWrite(path.c_str())) return code;
    file.WriteHeader("DMO", kDemoVersion);
    file.WriteInt(static_cast<int32_t>(demo.script.size()));
    file.Write(demo.script.data(), demo.script.size());
    file.WriteInt(static_cast<int32_t>(demo.keys.size()));
    for (int32_t key : demo.keys) file.WriteInt(key);
    for (int32_t position : demo.positions) file.WriteInt(position);
    return file.Close();
}

std::string DemoFilePath() { return GetModuleFolder() + "/demo.ob7"; }

}  // namespace ob7
