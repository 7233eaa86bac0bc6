#pragma once
// The demo file "demo.ob7": the common binary header with the tag "DMO", the script
// length and the script bytes of all demos, then the label count, the label keys and
// the label offsets into the script. Each demo begins at the label whose key is its
// command id.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

struct DemoScript {
    std::vector<uint8_t> script;
    std::vector<int32_t> keys, positions;  // labels, in file order
    // The offset of the first label with the key; -1 when there is none or it lies
    // outside the script.
    int Find(int key) const;
};

// 0 or the message code (the file name is the pending text); 15055 (nothing to show)
// for an empty script.
int ReadDemoFile(const std::string& path, DemoScript& demo);
int WriteDemoFile(const std::string& path, const DemoScript& demo);

// The demo file of the program folder.
std::string DemoFilePath();

}  // namespace ob7
