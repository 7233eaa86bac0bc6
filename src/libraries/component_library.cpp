#include "libraries/component_library.h"

#include "libraries/component_types.h"
#include "libraries/library_files.h"
#include "libraries/library_text.h"
#include "libraries/shape.h"

#include "foundation/paths.h"
#include "foundation/profile.h"
#include "foundation/recent_list.h"
#include "foundation/text_functions.h"

#include <algorithm>

namespace ob7 {

ComponentDef* CurrentComponent = nullptr;

std::array<std::string, 8>& UserPaletteNames()
{
    static std::array<std::string, 8> names;
    return names;
}

// ---- groups ----

ComponentGroup* ComponentGroup::FindByNumber(int n)
{
    if (number == n)
        return this;
    for (auto& c : children)
        if (ComponentGroup* g = c.FindByNumber(n))
            return g;
    return nullptr;
}

ComponentGroup* ComponentGroup::FindByName(const std::string& wanted)
{
    if (EqualNoCase(name, wanted))
        return this;
    for (auto& c : children)
        if (ComponentGroup* g = c.FindByName(wanted))
            return g;
    return nullptr;
}

// Follows a newline-separated path of names down from `from`. A missing level is added
// (numbered within `numberRoot`'s tree) when numberRoot is given, else the walk gives null.
static ComponentGroup* WalkGroupPath(ComponentGroup* from, const std::string& path, ComponentGroup* numberRoot)
{
    ComponentGroup* g = from;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\n', start);
        std::string level = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ComponentGroup* next = nullptr;
        for (auto& c : g->children)
            if (EqualNoCase(c.name, level)) {
                next = &c;
                break;
            }
        if (!next && numberRoot) {
            next = g->InsertChild(true, -1, numberRoot);
            if (next)
                next->name = level;
        }
        if (!next)
            return nullptr;
        g = next;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return g;
}

ComponentGroup* ComponentGroup::FindPath(const std::string& path)
{
    return WalkGroupPath(this, path, nullptr);
}

std::string ComponentGroup::GetPath() const
{
    std::string path;
    for (const ComponentGroup* g = this; g && g->parent; g = g->parent)
        path = path.empty() ? g->name : g->name + "\\" + path;
    return path;
}

void ComponentGroup::RelinkChildren()
{
    for (auto& c : children) {
        c.parent = this;
        c.RelinkChildren();
    }
}

ComponentGroup* ComponentGroup::InsertChild(bool named, int position, ComponentGroup* root)
{
    if (depth >= kMaxGroupDepth)
        return nullptr;
    if (position < 0 || position > ChildCount())
        position = ChildCount();
    ComponentGroup fresh;
    fresh.depth = static_cast<int16_t>(depth + 1);
    if (named) {
        fresh.name = "New Group";
        fresh.number = static_cast<int16_t>((root ? root : this)->AssignNumber(nullptr, 0));
    }
    children.insert(children.begin() + position, std::move(fresh));
    RelinkChildren();
    return &children[position];
}

void ComponentGroup::RemoveChildAt(int n)
{
    if (n < 0 || n >= ChildCount())
        return;
    children.erase(children.begin() + n);
    RelinkChildren();
}

int ComponentGroup::CountGroups() const
{
    int n = 1;
    for (const auto& c : children)
        n += c.CountGroups();
    return n;
}

void ComponentGroup::CollectNumbers(std::vector<int>& out) const
{
    out.push_back(number);
    for (const auto& c : children)
        c.CollectNumbers(out);
}

int ComponentGroup::TotalCount() const
{
    int n = count;
    for (const auto& c : children)
        n += c.TotalCount();
    return n;
}

void ComponentGroup::ClearCounts()
{
    count = 0;
    for (auto& c : children)
        c.ClearCounts();
}

int ComponentGroup::AssignNumber(const ComponentGroup* other, int start) const
{
    std::vector<int> used;
    CollectNumbers(used);
    if (other)
        other->CollectNumbers(used);
    int n = start;
    while (std::find(used.begin(), used.end(), n) != used.end())
        ++n;
    return n;
}

ComponentGroup* FindOrAddGroup(ComponentGroup& root, const std::string& name)
{
    if (ComponentGroup* g = root.FindByName(name))
        return g;
    ComponentGroup* g = root.InsertChild(true, -1, &root);
    if (g)
        g->name = name;
    return g;
}

// ---- one library ----

ComponentLibrary::ComponentLibrary()
{
    firstLetter.fill(-1);
    root.name = "Component";
    root.number = -1;
}

ComponentLibrary::ComponentLibrary(ComponentLibrary&& other) noexcept
{
    *this = std::move(other);
}

ComponentLibrary& ComponentLibrary::operator=(ComponentLibrary&& other) noexcept
{
    components = std::move(other.components);
    holdsTemporary = other.holdsTemporary;
    fileName = std::move(other.fileName);
    fileNameBeforeEditing = std::move(other.fileNameBeforeEditing);
    index = std::move(other.index);
    firstLetter = other.firstLetter;
    fileTime = other.fileTime;
    root = std::move(other.root);
    root.RelinkChildren();
    version = other.version;
    backedByFile = other.backedByFile;
    return *this;
}

ComponentDef* ComponentLibrary::Add()
{
    components.push_back(std::make_unique<ComponentDef>());
    return components.back().get();
}

void ComponentLibrary::Destroy()
{
    FreeIndex();
    root.children.clear();
    components.clear();
}

void ComponentLibrary::FreeIndex()
{
    index.clear();
    firstLetter.fill(-1);
}

static unsigned char FirstKey(const std::string& name)
{
    return static_cast<unsigned char>(name.empty() ? 0 : ToUpperAscii(static_cast<unsigned char>(name[0])));
}

void BuildComponentIndex(ComponentLibrary& library, int count, bool caseInsensitive)
{
    library.FreeIndex();
    size_t n = count < 0 ? library.components.size()
                         : std::min(library.components.size(), static_cast<size_t>(count));
    if (n == 0)
        return;
    for (size_t i = 0; i < n; ++i)
        library.index.push_back(library.components[i].get());
    std::stable_sort(library.index.begin(), library.index.end(), [&](const ComponentDef* a, const ComponentDef* b) {
        return caseInsensitive ? CompareNoCase(a->name, b->name) < 0
                               : CompareNatural(a->name.c_str(), b->name.c_str()) < 0;
    });
    for (size_t j = 0; j < library.index.size(); ++j) {
        unsigned char c = FirstKey(library.index[j]->name);
        if (library.firstLetter[c] < 0)
            library.firstLetter[c] = static_cast<int32_t>(j);
    }
}

ComponentDef* ComponentLibrary::FindIndexed(const std::string& name) const
{
    if (index.empty() || name.empty())
        return nullptr;
    int lo = firstLetter[FirstKey(name)];
    if (lo < 0)
        return nullptr;
    int hi = static_cast<int>(index.size()) - 1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        int c = CompareNoCase(name, index[mid]->name);
        if (c == 0)
            return index[mid];
        if (c < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return nullptr;
}

ComponentDef* ComponentLibrary::FindByName(const std::string& name, const ComponentDef* excluded,
                                           bool skipShort) const
{
    auto acceptable = [&](const ComponentDef* d) {
        return d && d != excluded && !(skipShort && d->type == CT_SHORT);
    };
    if (!index.empty()) {
        ComponentDef* d = FindIndexed(name);
        if (acceptable(d))
            return d;
    }
    for (const auto& d : components)
        if (acceptable(d.get()) && d->name == name)
            return d.get();
    for (const auto& d : components)
        if (acceptable(d.get()) && EqualNoCase(d->name, name))
            return d.get();
    return nullptr;
}

ComponentGroup* ComponentLibrary::MakeGroupPath(const std::string& path)
{
    return WalkGroupPath(&root, path, &root);
}

// ---- the table ----

std::vector<ComponentLibrary>& ComponentLibraryTable()
{
    static std::vector<ComponentLibrary> table;
    return table;
}

int FindComponentLibraryByName(const std::string& path)
{
    auto& table = ComponentLibraryTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (EqualNoCase(table[i].fileName, path))
            return static_cast<int>(i);
    return -1;
}

int AddComponentLibrary(const std::string& fileName)
{
    int found = FindComponentLibraryByName(fileName);
    if (found >= 0)
        return found;
    auto& table = ComponentLibraryTable();
    table.emplace_back();
    table.back().fileName = fileName;
    return static_cast<int>(table.size()) - 1;
}

void RemoveComponentLibrary(int n)
{
    auto& table = ComponentLibraryTable();
    if (n < 0 || n >= static_cast<int>(table.size()))
        return;
    ComponentLibrary& lib = table[n];
    for (auto& d : lib.components)
        if (CurrentComponent == d.get())
            CurrentComponent = nullptr;
    table.erase(table.begin() + n);
}

void FreeComponentLibraries()
{
    CurrentComponent = nullptr;
    ComponentLibraryTable().clear();
}

int FindOrLoadComponentLibrary(const std::string& fileName)
{
    std::string path = JoinProgramFolder(fileName);
    int found = FindComponentLibraryByName(path);
    if (found >= 0)
        return found;
    int n = AddComponentLibrary(path);
    if (!FindExistingPathNoCase(path).empty()) {
        ComponentLibrary& lib = ComponentLibraryTable()[n];
        if (lib.Read(path, false, nullptr, false) == 0)
            BuildComponentIndex(lib, -1, true);
    }
    return n;
}

int TotalComponentCount()
{
    int n = 0;
    for (auto& lib : ComponentLibraryTable())
        n += static_cast<int>(lib.components.size());
    return n;
}

bool IsLibraryNameInUse(const std::string& name)
{
    for (auto& lib : ComponentLibraryTable())
        if (EqualNoCase(lib.root.name, name))
            return true;
    return false;
}

ComponentLibrary* FindLibraryOfComponent(const ComponentDef* def)
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& d : lib.components)
            if (d.get() == def)
                return &lib;
    return nullptr;
}

std::string NormalizeLibraryFileName(const std::string& name)
{
    size_t cut = name.find_last_of("\\/:");
    std::string result = cut == std::string::npos ? name : name.substr(cut + 1);
    if (!result.empty() && !ExtensionIs(result, ".CMP")) {
        size_t dot = result.rfind('.');
        if (dot != std::string::npos)
            result.resize(dot);
        result += ".cmp";
    }
    return result;
}

void RemoveTemporaryComponents(ComponentLibrary& list)
{
    if (!list.holdsTemporary)
        return;
    list.FreeIndex();
    std::erase_if(list.components, [](const std::unique_ptr<ComponentDef>& d) {
        if (!(d->mask & CM_TEMPORARY))
            return false;
        if (CurrentComponent == d.get())
            CurrentComponent = nullptr;
        return true;
    });
    list.holdsTemporary = false;
}

std::string DefaultLibraryName()
{
    return JoinProgramFolder("Demo.cmp");
}

ComponentDef& MissingComponentPlaceholder()
{
    static ComponentDef placeholder;
    return placeholder;
}

void InitMissingComponentPlaceholder()
{
    ComponentDef& p = MissingComponentPlaceholder();
    p = ComponentDef();
    p.name = kMissingComponentName;
    p.type = CT_BLANK;
    p.shape = &DefaultShape();
    p.shapeName = kDefaultShapeName;
}

ComponentDef* FindComponentByName(const std::string& name, const ComponentDef* excluded, bool skipShort)
{
    if (name.empty())
        return nullptr;
    ComponentDef* placeholder = &MissingComponentPlaceholder();
    if (excluded != placeholder && EqualNoCase(name, kMissingComponentName))
        return placeholder;
    for (auto& lib : ComponentLibraryTable())
        if (ComponentDef* d = lib.FindByName(name, excluded, skipShort))
            return d;
    return nullptr;
}

ComponentDef* FindComponentIndexed(const std::string& name)
{
    if (name.empty())
        return nullptr;
    if (EqualNoCase(name, kMissingComponentName))
        return &MissingComponentPlaceholder();
    for (auto& lib : ComponentLibraryTable())
        if (ComponentDef* d = lib.FindIndexed(name))
            return d;
    return nullptr;
}

ComponentDef* FindComponentByType(int type)
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& d : lib.components)
            if (d->type == type)
                return d.get();
    return nullptr;
}

std::vector<ComponentDef*> SearchComponents(const std::string& textIn, ComponentSearchField field,
                                            bool fromStart)
{
    std::string text = textIn;
    size_t a = text.find_first_not_of(' ');
    text = a == std::string::npos ? std::string() : text.substr(a, text.find_last_not_of(' ') - a + 1);
    auto matches = [&](const std::string& value) {
        if (value.empty())
            return false;
        if (fromStart)
            return WildcardMatchNoCase(text.c_str(), value.c_str()) == 0;
        return StrFindNoCase(value.c_str(), text.c_str()) != nullptr;
    };
    std::vector<ComponentDef*> found;
    for (auto& lib : ComponentLibraryTable()) {
        for (auto& d : lib.components) {
            if (d->name.empty() || d->type == CT_SHORT)
                continue;
            std::string shape = d->shape == AutoMacroShape ? std::string(kAutoMacroName) : d->shapeName;
            std::string definition = IsValidComponentType(d->type) ? ComponentTypeTable[d->type].definitionName : "";
            const std::string* fields[4] = {&d->name, &shape, &definition, &d->memo};
            for (int f = 0; f < 4; ++f) {
                if ((field == f || field == CSF_ALL) && matches(*fields[f])) {
                    found.push_back(d.get());
                    break;
                }
            }
        }
    }
    return found;
}

void ClearComponentWrittenMarks()
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& d : lib.components)
            d->mask &= ~CM_WRITTEN;
}

void ClearComponentTags()
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& d : lib.components)
            d->tag = 0;
}

void ClearImportMarks()
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& d : lib.components)
            d->importMark = 0;
    MissingComponentPlaceholder().importMark = 0;
}

// ---- recent components ----

static CRecentList& RecentComponents()
{
    static CRecentList list(10, "COMPONENT_");
    return list;
}

static bool recentFrozen = false;

void SetRecentComponentsFrozen(bool frozen)
{
    recentFrozen = frozen;
}

void AddRecentComponent(const std::string& name)
{
    if (recentFrozen)
        return;
    RecentComponents().AddToTop(name.c_str());
}

void ClearRecentComponents()
{
    // Every name becomes empty; the list keeps its ten entries.
    RecentComponents().Init(10, "COMPONENT_", nullptr, true);
}

int RecentComponentCount()
{
    return RecentComponents().Count();
}

const std::string& RecentComponentName(int i)
{
    return RecentComponents().Name(i);
}

ComponentDef* OnRecentComponent(int i)
{
    if (i < 0 || i >= RecentComponentCount() || RecentComponentName(i).empty())
        return nullptr;
    ComponentDef* d = FindComponentByName(RecentComponentName(i), nullptr, true);
    if (d)
        CurrentComponent = d;
    return d;
}

int SerializeRecentComponents(Profile& profile)
{
    return RecentComponents().Serialize(profile);
}

static int SkipSection(Profile& profile)
{
    std::string entry;
    while (profile.NextEntry(entry)) {
    }
    return profile.error;
}

int LibraryFilesSection(Profile& profile)
{
    if (profile.mode != 2)
        return 0;
    int code = SkipSection(profile);
    AddComponentLibrary(DefaultLibraryName());
    return code;
}

int ShapeFilesSection(Profile& profile)
{
    if (profile.mode != 2)
        return 0;
    int code = SkipSection(profile);
    AddShapeLibrary(DefaultShapeLibraryPath());
    return code;
}

void InitCurrentComponent()
{
    CurrentComponent = nullptr;
    if (RecentComponentCount() > 0 && !RecentComponentName(0).empty())
        CurrentComponent = FindComponentByName(RecentComponentName(0), nullptr, false);
    if (!CurrentComponent && !ComponentLibraryTable().empty()) {
        CurrentComponent = FindComponentByName("RESISTOR", nullptr, false);
        auto& first = ComponentLibraryTable().front();
        if (!CurrentComponent && !first.components.empty())
            CurrentComponent = first.components.front().get();
    }
}

}  // namespace ob7
