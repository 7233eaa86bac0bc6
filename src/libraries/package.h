#pragma once
// The package list: how components sit in physical packages for circuit-board export,
// read from and written to the package file "Demo.pkg" in the program folder.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

struct ComponentDef;

struct PackagePin {
    std::string boardName;       // the pin's name on the board; by default its number
    int16_t componentPin = -1;   // component pin, then other names; -1 not connected
    char gate = 0;               // 'A'..'Z' or '*'; only for complex packages
    bool operator==(const PackagePin&) const = default;
};

struct Package {
    std::string name;
    std::string accelName, orcadName, protelName, padsName;
    int32_t complex = 0;
    std::vector<std::string> otherNames;
    ComponentDef* component = nullptr;
    std::string missingComponentName;
    int32_t mark = 0;
    std::vector<PackagePin> pins;

    int PinCount() const { return static_cast<int>(pins.size()); }
    // Resizes the pin map keeping the first entries. Returns 0.
    int SetPinCount(int n);
    void AddOtherName(const std::string& text) { otherNames.push_back(text); }
    void ClearOtherNames() { otherNames.clear(); }
    std::string ComponentName() const;
    std::string DisplayName() const;
};

std::vector<Package>& PackageList();
constexpr const char* kPackageFileName = "Demo.pkg";
std::string DefaultPackagePath();

// Appends the packages of the file (the default file when path is empty); 0, or 15055
// after the file error was reported.
int ParsePackageList(std::vector<Package>& list, const std::string& path = {});
void ClearPackageList();
// Writes a list to a file; 0 or the file error code.
int WritePackageList(const std::vector<Package>& list, const std::string& path);
// Writes PackageList() to the default path; the error is reported and returned.
int SavePackageList();
Package* FindPackageByDisplayName(std::vector<Package>& list, const std::string& text);
// The warnings about packages whose component does not exist ("" when none).
std::string PackageConsistencyText(const std::vector<Package>& list);

}  // namespace ob7
