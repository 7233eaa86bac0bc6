#pragma once
// Component libraries: the definitions of one library file with their group tree, the
// process-wide table of loaded libraries (its order is the look-up order of names), the
// name look-ups with the sorted index, and the recent-components list.

#include "libraries/component_def.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob7 {

struct ShapeLibrary;

constexpr int kGroupKind = 99;
constexpr int kMaxGroupDepth = 12;

struct ComponentGroup {
    std::string name;
    std::vector<ComponentGroup> children;
    int16_t kind = kGroupKind;
    int16_t number = 0;
    int16_t depth = 0;
    uint8_t expanded = 0;
    int32_t count = 0;
    ComponentGroup* parent = nullptr;

    int ChildCount() const { return static_cast<int>(children.size()); }
    ComponentGroup* FindByNumber(int n);
    ComponentGroup* FindByName(const std::string& name);
    // Follows a newline-separated path of names; null when a level is missing.
    ComponentGroup* FindPath(const std::string& path);
    // Names from the first level below the root down to this group, joined by "\".
    std::string GetPath() const;
    // A new child (refused at depth 12 or more); named ones get "New Group" and the
    // lowest free number of the tree rooted at root. Children are held by value, so
    // adding or removing one moves its siblings: pointers to them go stale.
    ComponentGroup* InsertChild(bool named, int position, ComponentGroup* root);
    void RemoveChildAt(int n);
    // Re-points the parent links of the children (after the child array moved).
    void RelinkChildren();
    int CountGroups() const;
    void CollectNumbers(std::vector<int>& out) const;
    int TotalCount() const;
    void ClearCounts();
    // The lowest number at or above start used by no group of this tree (or other).
    int AssignNumber(const ComponentGroup* other, int start) const;
};

ComponentGroup* FindOrAddGroup(ComponentGroup& root, const std::string& name);

struct ComponentLibrary {
    std::vector<std::unique_ptr<ComponentDef>> components;
    bool holdsTemporary = false;
    std::string fileName;
    std::string fileNameBeforeEditing;
    std::vector<ComponentDef*> index;   // sorted by name; empty when not built
    std::array<int32_t, 256> firstLetter{};
    int64_t fileTime = 0;
    ComponentGroup root;
    int32_t version = 0;
    // Holds what its file held (read whole) or was written to it; a library that was only
    // registered, or whose read failed, is never saved over its file.
    bool backedByFile = false;

    ComponentLibrary();
    ComponentLibrary(ComponentLibrary&& other) noexcept;
    ComponentLibrary& operator=(ComponentLibrary&& other) noexcept;

    ComponentDef* Add();  // a new empty definition at the end of the list
    void Destroy();
    void FreeIndex();
    ComponentDef* FindIndexed(const std::string& name) const;
    ComponentDef* FindByName(const std::string& name, const ComponentDef* excluded, bool skipShort) const;
    ComponentGroup* MakeGroupPath(const std::string& path);
    // Reads a library file; 0 or a message code (formats: component_file.cpp).
    int Read(const std::string& path, bool takePaletteNames, ShapeLibrary* shapes, bool report);
    // Writes the library in version 0x70000 or 15; 0 or a message code.
    int Write(int32_t version);
};

constexpr int32_t kComponentFileVersion = 0x70000;
constexpr int32_t kComponentFileVersionOld = 15;

// Builds the sorted index over all definitions (count -1) or the first count.
void BuildComponentIndex(ComponentLibrary& library, int count, bool caseInsensitive);

std::vector<ComponentLibrary>& ComponentLibraryTable();
int AddComponentLibrary(const std::string& fileName);
void RemoveComponentLibrary(int n);
void FreeComponentLibraries();
int FindComponentLibraryByName(const std::string& path);
int FindOrLoadComponentLibrary(const std::string& fileName);
int TotalComponentCount();
bool IsLibraryNameInUse(const std::string& name);
ComponentLibrary* FindLibraryOfComponent(const ComponentDef* def);
std::string NormalizeLibraryFileName(const std::string& name);
void RemoveTemporaryComponents(ComponentLibrary& list);
std::string DefaultLibraryName();
int LoadComponentLibrary(int n);
int LoadComponentLibraries();
// Writes every library that has a file name and is backed by it; failures are reported.
void SaveComponentLibraries();

// Look-ups across all libraries.
ComponentDef* FindComponentByName(const std::string& name, const ComponentDef* excluded, bool skipShort);
ComponentDef* FindComponentIndexed(const std::string& name);
// The first definition of a type code, libraries in table order; null when none.
ComponentDef* FindComponentByType(int type);

// The search of Find Component: every named component of every library, in order, whose
// chosen field matches the text (from its first character as a wildcard pattern, or
// anywhere, ignoring case). Short components are never listed.
enum ComponentSearchField { CSF_NAME, CSF_SHAPE, CSF_DEFINITION, CSF_MEMO, CSF_ALL };
std::vector<ComponentDef*> SearchComponents(const std::string& text, ComponentSearchField field,
                                            bool fromStart);

void ClearComponentWrittenMarks();
void ClearComponentTags();
void ClearImportMarks();

// The definition given to parts whose component cannot be found.
ComponentDef& MissingComponentPlaceholder();
void InitMissingComponentPlaceholder();
constexpr const char* kMissingComponentName = "Component Not Found";

// Names of the user palettes 1 to 8 taken from old library files (empty: not named).
std::array<std::string, 8>& UserPaletteNames();

// The definition Component mode places.
extern ComponentDef* CurrentComponent;

// The last ten placed components, most recent first.
void AddRecentComponent(const std::string& name);
void ClearRecentComponents();
int RecentComponentCount();
const std::string& RecentComponentName(int i);
// Makes entry i current when its component still exists; returns it or null.
ComponentDef* OnRecentComponent(int i);
// Start-up choice: the first recent entry, else "RESISTOR", else the first component.
void InitCurrentComponent();
// Demo playback leaves the recent list alone.
void SetRecentComponentsFrozen(bool frozen);

// Handlers of the settings profile's sections: the recent components, and the lists of
// library files. The file lists are read over and not used (the program folder's default
// libraries are registered instead) and are not written back.
class Profile;
int SerializeRecentComponents(Profile& profile);
int LibraryFilesSection(Profile& profile);
int ShapeFilesSection(Profile& profile);

}  // namespace ob7
