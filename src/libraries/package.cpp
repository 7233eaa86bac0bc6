#include "libraries/package.h"

#include "libraries/component_library.h"
#include "libraries/library_text.h"

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/profile.h"

#include <cstdlib>

namespace ob7 {

int Package::SetPinCount(int n)
{
    pins.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return 0;
}

std::string Package::ComponentName() const
{
    if (component)
        return component->name;
    return missingComponentName;
}

std::string Package::DisplayName() const
{
    return ComponentName() + " " + (name.empty() ? std::string("No name") : name);
}

std::vector<Package>& PackageList()
{
    static std::vector<Package> list;
    return list;
}

std::string DefaultPackagePath()
{
    return JoinProgramFolder(kPackageFileName);
}

void ClearPackageList()
{
    PackageList().clear();
}

static bool IsDigits(const std::string& s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Splits at commas, leading blanks of each field skipped.
static std::vector<std::string> SplitFields(const std::string& value)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = value.find(',', start);
        std::string f = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t lead = f.find_first_not_of(" \t");
        fields.push_back(lead == std::string::npos ? std::string() : f.substr(lead));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

static void ReadPin(Package& p, int n, const std::string& value)
{
    std::vector<std::string> fields = SplitFields(value);
    if (fields[0].empty())
        return;
    PackagePin& pin = p.pins[n];
    pin.componentPin = EqualNoCase(fields[0], "NC#") ? -1 : static_cast<int16_t>(std::atoi(fields[0].c_str()));
    size_t next = 1;
    // A complex package's second field is its gate, even when empty: the writer leaves it
    // empty for a pin without a gate and puts the board name after it.
    if (p.complex && next < fields.size()) {
        if (!fields[next].empty())
            pin.gate = fields[next][0];
        ++next;
    }
    if (next < fields.size() && !fields[next].empty())
        pin.boardName = fields[next];
    else
        pin.boardName = std::to_string(n + 1);
}

int ParsePackageList(std::vector<Package>& list, const std::string& pathIn)
{
    std::string path = pathIn.empty() ? DefaultPackagePath() : pathIn;
    Profile f;
    int error = f.ReadWholeFile(path.c_str());
    if (error) {
        SetPendingMessageText(path.c_str());
        ReportMessage("ME", "File:", path.c_str(), error, path.c_str());
        return kMsgReported;
    }
    Package* current = nullptr;
    ComponentDef* lastFound = nullptr;
    std::string key, value;
    for (;;) {
        f.ReadKeyValueMem(key, value);
        if (key.empty())
            break;
        if (key == "M" || key == "MASTER") {
            list.emplace_back();
            current = &list.back();
            current->name = value;
            continue;
        }
        if (!current)
            continue;
        if (key == "O") {
            current->AddOtherName(value);
        } else if (key == "ORCAD") {
            current->orcadName = value;
        } else if (key == "PROTEL") {
            current->protelName = value;
        } else if (key == "PADS") {
            current->padsName = value;
        } else if (key == "ACCEL") {
            current->accelName = value;
        } else if (key == "PINCNT") {
            long n = std::strtol(value.c_str(), nullptr, 10);
            // A count beyond any real package is a damaged file; keep the map empty.
            current->SetPinCount(n >= 0 && n <= 100000 ? static_cast<int>(n) : 0);
        } else if (key.size() > 1 && key[0] == 'P' && key[1] >= '0' && key[1] <= '9') {
            long n = std::strtol(key.c_str() + 1, nullptr, 10);
            if (n >= 0 && n < current->PinCount())
                ReadPin(*current, static_cast<int>(n), value);
        } else if (key == "C") {
            current->complex = EqualNoCase(value, "YES") ? 1 : 0;
        } else if (key == "COMP") {
            ComponentDef* d = (lastFound && EqualNoCase(lastFound->name, value)) ? lastFound
                                                                                 : FindComponentIndexed(value);
            if (d)
                lastFound = d;
            current->component = d;
            current->missingComponentName = d ? std::string() : value;
        }
    }
    f.FreeBuffer();
    return 0;
}

int WritePackageList(const std::vector<Package>& list, const std::string& path)
{
    Profile f;
    int error = f.OpenWrite(path.c_str());
    if (error)
        return error;
    f.WriteText("[Main]\n");
    f.WriteFileHeader("PKG", 0x10000);
    f.WriteText("\n[Data]\n");
    for (const Package& p : list) {
        f.WriteString("M", p.name.c_str());
        if (!p.accelName.empty()) f.WriteString("Accel", p.accelName.c_str());
        if (!p.orcadName.empty()) f.WriteString("OrCad", p.orcadName.c_str());
        if (!p.protelName.empty()) f.WriteString("Protel", p.protelName.c_str());
        if (!p.padsName.empty()) f.WriteString("PADS", p.padsName.c_str());
        if (p.complex) f.WriteYesNo("C", 1);
        for (const std::string& o : p.otherNames)
            f.WriteString("O", o.c_str());
        f.WriteInt("PinCnt", p.PinCount());
        f.WriteString("Comp", p.ComponentName().c_str());
        for (int i = 0; i < p.PinCount(); ++i) {
            const PackagePin& pin = p.pins[i];
            std::string entry = pin.componentPin < 0 ? std::string("NC#") : std::to_string(pin.componentPin);
            if (p.complex) {
                entry += ",";
                if (pin.gate)
                    entry += pin.gate;
            }
            bool defaultName = IsDigits(pin.boardName) && std::atol(pin.boardName.c_str()) == i + 1;
            if (!defaultName && !pin.boardName.empty())
                entry += "," + pin.boardName;
            std::string key = "P" + std::to_string(i);
            f.WriteString(key.c_str(), entry.c_str());
        }
        f.WriteText("\n");
    }
    return f.Close();
}

int SavePackageList()
{
    std::string path = DefaultPackagePath();
    int error = WritePackageList(PackageList(), path);
    if (error) {
        // A failed save must not pass for success.
        SetPendingMessageText(path.c_str());
        ReportMessage("ME", "File:", path.c_str(), error, path.c_str());
    }
    return error;
}

Package* FindPackageByDisplayName(std::vector<Package>& list, const std::string& text)
{
    std::string wanted = UpperCopy(text);
    for (Package& p : list)
        if (UpperCopy(p.DisplayName()) == wanted)
            return &p;
    return nullptr;
}

std::string PackageConsistencyText(const std::vector<Package>& list)
{
    std::string text;
    int counted = 0;
    for (const Package& p : list) {
        if (p.component)
            continue;
        ++counted;
        if (counted <= 10) {
            if (!text.empty())
                text += "\n";
            text += "Warning a Package " + p.DisplayName() + " uses Component " + p.missingComponentName +
                    " which does not exist.";
        } else if (counted == 11) {
            text += "\n<more.....>";
        }
    }
    if (!text.empty() && counted > 1)
        text += "\n\nTotal warnings " + std::to_string(counted);
    return text;
}

}  // namespace ob7
