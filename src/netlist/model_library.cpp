#include "netlist/model_library.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/binfile.h"
#include "foundation/char_classes.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/text_functions.h"
#include "foundation/textfile.h"
#include "netlist/model_types.h"
#include "netlist/netlist_messages.h"

namespace ob7 {
namespace {

constexpr uint32_t kFloatNotGiven = 0x5D88D14B;  // ParamNotGiven as a 4-byte float
constexpr int kReservedBytes = 256;
constexpr int kRecordTail = 2 + 42;              // int16 type, memo
constexpr int kMaxStoredValues = 4096;           // far above any parameter table

// Where the values of an older layout go. A map lists, in stored order: a parameter
// name (one value), "-" (one value read and dropped), "n*@k" (n values to parameters k
// onward) or "n*-" (n values dropped).
struct OldLayoutMap {
    int version;
    int types[3];
    const char* map;
};

constexpr OldLayoutMap kOldLayouts[] = {
    {4, {0, -1, -1}, "20*@0"},
    {4, {1, -1, -1}, "IS RS N TT CJO VJ M EG XTI KF AF FC BV IBV RL"},
    {4, {2, 15, -1},
     "BF BR XTB IS EG CJC CJE RB RC VAF TF TR MJC VJC MJE VJE CJS VAR NF NR ISE ISC IKF IKR NE NC "
     "RE IRB RBM VTF ITF XTF PTF XCJC VJS MJS XTI KF AF FC"},
    {4, {3, 16, -1}, "52*@0"},
    {4, {4, 17, -1}, "VTO BETA LAMBDA RD RS CGS CGD PB IS KF AF FC"},
    {4, {5, -1, -1}, "7*@0"},
    {4, {6, -1, -1}, "7*@0 -"},
    {4, {8, -1, -1}, "AREA PATH GAP - MS ALPHA A C K"},
    {4, {9, -1, -1},
     "LEVEL VTO BETA LAMBDA RD RS CGS CGD VBI IS KF AF FC RG B ALPHA M CDS VTOTC BETATCE"},
    {5, {2, 15, 38}, "13*@0 39*@16"},
    {5, {3, 16, -1}, "52*@0 4*@54"},
    {5, {8, -1, -1}, "- AREA PATH GAP - MS A C K ALPHA 3*-"},
    {5, {14, -1, -1}, "4*@0 4*@5"},
    {5, {32, 33, -1}, "96*@0"},
    {5, {34, 35, -1}, "152*@0"},
    {5, {36, 37, -1},
     "13*@0 PB PBSW CBD CBS CJ CJSW MJ MJSW 20*@32 206*@54 37*@265 57*@328 32*@386"},
    {0x60001, {3, 16, -1}, "52*@0 4*@54"},
    {0x60001, {32, 33, -1}, "96*@0"},
    {0x60001, {34, 35, -1}, "152*@0"},
    {0x60001, {36, 37, -1}, "418*@0 6*-"},
};

// The parameter index of each stored value (-1: dropped); empty when the version reads
// the type one to one.
std::vector<int> OldLayoutTargets(int version, int type) {
    std::vector<int> targets;
    for (const OldLayoutMap& m : kOldLayouts) {
        if (m.version != version || (m.types[0] != type && m.types[1] != type && m.types[2] != type))
            continue;
        const char* p = m.map;
        while (*p) {
            while (*p == ' ') ++p;
            const char* end = std::strchr(p, ' ');
            std::string item(p, end ? end - p : std::strlen(p));
            p += item.size();
            if (size_t star = item.find('*'); star != std::string::npos) {
                int n = std::atoi(item.c_str());
                int first = item[star + 1] == '@' ? std::atoi(item.c_str() + star + 2) : -1;
                for (int i = 0; i < n; ++i) targets.push_back(first < 0 ? -1 : first + i);
            } else if (item == "-") {
                targets.push_back(-1);
            } else {
                targets.push_back(FindModelParam(type, item.c_str()));
            }
        }
        break;
    }
    return targets;
}

void DestroyModel(PoolNode* node) {
    auto* model = static_cast<LibraryModel*>(node);
    std::free(model->values);
    model->values = nullptr;
}

void FillDefaults(double* values, int type) {
    const ModelTypeInfo& row = ModelTypeRow(type);
    for (int i = 0; i < row.paramCount; ++i) std::memcpy(&values[i], &row.params[i].defaultValue, sizeof(double));
}

// A float of an old file as the double the user typed: rounded to 6 significant digits.
double OldFloatValue(const unsigned char* bytes) {
    uint32_t bits;
    std::memcpy(&bits, bytes, 4);
    if (bits == kFloatNotGiven) return ParamNotGiven;
    float f;
    std::memcpy(&f, bytes, 4);
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(f));
    return std::strtod(text, nullptr);
}

// A name field of a file record: at most `keep` characters up to its terminator.
void CopyName(char* to, const char* field, size_t fieldSize, size_t keep) {
    size_t n = strnlen(field, std::min({fieldSize, keep, size_t{23}}));
    std::memcpy(to, field, n);
    to[n] = 0;
}

class Reader {
public:
    Reader(ModelLibrary& library, BinFile& file) : lib_(library), f_(file) {}

    // Versions 4 and 5: records of 56 and 70 bytes with 4-byte floats.
    int ReadOld(int version) {
        int count = f_.ReadShort();
        f_.ReadShort();
        if (f_.error) return f_.error;
        if (count < 0) return kMsgBadFileFormat;
        const size_t nameSize = version == 4 ? 10 : 24;
        for (int i = 0; i < count; ++i) {
            int valueBytes = f_.ReadShort();
            char name[24];
            f_.Read(name, nameSize);
            int type = f_.ReadShort();
            char memo[42];
            f_.Read(memo, sizeof memo);
            if (f_.error) return f_.error;
            if (valueBytes < 0) return kMsgBadFileFormat;
            std::vector<unsigned char> bytes(valueBytes);
            if (valueBytes && f_.Read(bytes.data(), bytes.size())) return f_.error;
            if (version == 4) {
                if (type < 0 || type > 9 || type == 7) continue;
                if (memo[0] == 'P' || memo[0] == 'p') {
                    if (type == kModelNpn) type = kModelPnp;
                    else if (type == kModelNmos) type = kModelPmos;
                    else if (type == kModelNjf) type = kModelPjf;
                }
            } else if (type < 0 || type >= ModelTypeCount) {
                continue;
            }
            if (!CanStoreInLibrary(type)) continue;
            LibraryModel* m = Append(type, name, nameSize, memo, true);
            if (!m) return kMsgInsufficientMemory;
            const int stored = valueBytes / 4;
            std::vector<int> targets = OldLayoutTargets(version, type);
            if (targets.empty() && version == 5 && stored == ModelTypeRow(type).paramCount)
                for (int k = 0; k < stored; ++k) targets.push_back(k);
            for (int k = 0; k < stored && k < static_cast<int>(targets.size()); ++k)
                if (targets[k] >= 0) m->values[targets[k]] = OldFloatValue(&bytes[k * 4]);
        }
        return 0;
    }

    // Version 0x60001: the version-5 record with doubles.
    int Read60001() {
        SkipReserved();
        return ReadDoubleModels([](int type, int stored) {
            std::vector<int> targets = OldLayoutTargets(0x60001, type);
            if (targets.empty() && stored == ModelTypeRow(type).paramCount)
                for (int k = 0; k < stored; ++k) targets.push_back(k);
            return targets;
        });
    }

    // The current layout: parameter names per type, then the models.
    int ReadCurrent() {
        SkipReserved();
        int32_t blocks = f_.ReadInt();
        if (f_.error) return f_.error;
        if (blocks < 0 || blocks > 1000) return kMsgBadFileFormat;
        std::vector<std::vector<int>> targets(ModelTypeCount);
        for (int32_t b = 0; b < blocks; ++b) {
            int32_t type = f_.ReadInt();
            int32_t n = f_.ReadInt();
            if (f_.error) return f_.error;
            if (n < 0 || n > kMaxStoredValues) return kMsgBadFileFormat;
            std::vector<int> map;
            for (int32_t k = 0; k < n; ++k) {
                char name[64];
                if (f_.ReadLenString(name, sizeof name)) return f_.error;
                map.push_back(type >= 0 && type < ModelTypeCount ? FindModelParam(type, name) : -1);
            }
            if (type >= 0 && type < ModelTypeCount) targets[type] = std::move(map);
        }
        return ReadDoubleModels([&targets](int type, int) { return targets[type]; });
    }

private:
    // The model count and the models of the layouts with 8-byte values; each model's
    // values go to the parameters that targetsOf(type, stored count) lists.
    template <class TargetsOf>
    int ReadDoubleModels(TargetsOf targetsOf) {
        int32_t count = f_.ReadInt();
        if (f_.error) return f_.error;
        if (count < 0) return kMsgBadFileFormat;
        for (int32_t i = 0; i < count; ++i) {
            int type = 0;
            char name[24], memo[42];
            std::vector<double> values;
            if (int code = ReadRecord(type, name, memo, values)) return code;
            if (type < 0 || type >= ModelTypeCount || !CanStoreInLibrary(type)) continue;
            LibraryModel* m = Append(type, name, sizeof name, memo, false);
            if (!m) return kMsgInsufficientMemory;
            const std::vector<int> targets = targetsOf(type, static_cast<int>(values.size()));
            for (size_t k = 0; k < values.size() && k < targets.size(); ++k)
                if (targets[k] >= 0) m->values[targets[k]] = values[k];
        }
        return 0;
    }

    void SkipReserved() {
        char reserved[kReservedBytes];
        f_.Read(reserved, sizeof reserved);
    }

    // The 70-byte record with 8-byte values, and the values.
    int ReadRecord(int& type, char* name, char* memo, std::vector<double>& values) {
        int valueBytes = f_.ReadShort();
        f_.Read(name, 24);
        type = f_.ReadShort();
        f_.Read(memo, 42);
        if (f_.error) return f_.error;
        if (valueBytes < 0 || valueBytes / 8 > kMaxStoredValues) return kMsgBadFileFormat;
        values.resize(valueBytes / 8);
        if (!values.empty() && f_.Read(values.data(), values.size() * 8)) return f_.error;
        if (int rest = valueBytes % 8) {
            char skip[8];
            f_.Read(skip, rest);
        }
        return f_.error;
    }

    LibraryModel* Append(int type, const char* name, size_t nameSize, const char* memo, bool sanitize) {
        LibraryModel* m = lib_.AddModelQuiet(type);
        if (!m) return nullptr;
        CopyName(m->name, name, nameSize, nameSize == 10 ? 10 : 23);
        if (sanitize) SanitizeModelName(m->name);
        std::memcpy(m->memo, memo, sizeof m->memo);
        m->memo[sizeof m->memo - 1] = 0;
        return m;
    }

    ModelLibrary& lib_;
    BinFile& f_;
};

// "name.lbr" -> "name.A", "name.B" ... the first that does not exist; empty when none.
std::string FreeBackupName(const std::string& fileName) {
    std::string base = fileName;
    CutExtension(base);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string candidate = base + "." + letter;
        if (access(candidate.c_str(), F_OK) != 0) return candidate;
    }
    return {};
}

// The version a file holds: the header version, else the leading int16; 0 when neither.
int DetectVersion(BinFile& f) {
    int32_t version = 0;
    if (f.ReadHeader("LBR", version) == 0) return version;
    f.error = 0;
    std::rewind(f.file);
    int old = f.ReadShort();
    return f.error ? 0 : (old == 4 || old == 5 ? old : 0);
}

}  // namespace

ModelLibrary::ModelLibrary() {
    models.Init();
    models.nodeSize = sizeof(LibraryModel);
    models.destroy = DestroyModel;
}

ModelLibrary::~ModelLibrary() { Clear(); }

void ModelLibrary::Clear() { models.RemoveAll(); }

bool CanStoreInLibrary(int modelType) {
    if (modelType < 0 || modelType >= ModelTypeCount) return false;
    const ModelTypeInfo& row = ModelTypeRow(modelType);
    for (int i = 0; i < row.paramCount; ++i)
        if (row.params[i].kind == kParamText) return false;
    return true;
}

LibraryModel* ModelLibrary::AddModelQuiet(int modelType) {
    if (!CanStoreInLibrary(modelType)) return nullptr;
    auto* m = models.New<LibraryModel>(kLibraryModelKind);
    if (!m) return nullptr;
    const int n = ModelTypeRow(modelType).paramCount;
    m->values = static_cast<double*>(std::malloc(sizeof(double) * (n ? n : 1)));
    if (!m->values) {
        models.Delete(m);
        return nullptr;
    }
    FillDefaults(m->values, modelType);
    m->modelType = modelType;
    return m;
}

LibraryModel* ModelLibrary::AddModel(int modelType) {
    LibraryModel* m = AddModelQuiet(modelType);
    if (!m) {
        ReportMessage("E", CanStoreInLibrary(modelType) ? kMsgInsufficientMemory : kMsgModelTypeNotInLibrary);
        return nullptr;
    }
    modified = true;
    return m;
}

void ModelLibrary::RemoveModel(LibraryModel* model) {
    models.Delete(model);
    modified = true;
}

LibraryModel* ModelLibrary::FindNth(int modelType, int n) const {
    for (LibraryModel* m = First(); m; m = Next(m))
        if (m->modelType == modelType && n-- == 0) return m;
    return nullptr;
}

int ModelLibrary::CountOfType(int modelType) const {
    int count = 0;
    for (LibraryModel* m = First(); m; m = Next(m)) count += m->modelType == modelType;
    return count;
}

int FindModelInLibrary(const ModelLibrary& library, const char* name, int modelType) {
    int n = 0;
    for (LibraryModel* m = library.First(); m; m = ModelLibrary::Next(m)) {
        if (m->modelType != modelType) continue;
        if (strcasecmp(m->name, name) == 0) return n;
        ++n;
    }
    return -1;
}

char* SanitizeModelName(char* text) {
    StrTrimBoth(text);
    for (char* p = text; *p; ++p) {
        *p = ToUpperMap(*p);
        if (!HasClass(*p, kCcNameChar)) *p = '_';
    }
    return text;
}

int ModelLibrary::Load(const char* fileName, bool report) {
    Clear();
    BinFile f;
    int code = f.OpenRead(fileName);
    int version = 0;
    if (!code) {
        version = DetectVersion(f);
        Reader reader(*this, f);
        switch (version) {
        case 4: case 5: code = reader.ReadOld(version); break;
        case 0x60001: code = reader.Read60001(); break;
        case kModelLibraryVersion: code = reader.ReadCurrent(); break;
        default: code = kMsgBadFileFormat; break;
        }
        f.Close();
    }
    if (code) {
        Clear();
        if (!report) return code;
        if (code == kMsgBadFileFormat) ReportMessage("ME", "File", fileName, kMsgBadFileFormat);
        else ReportMessage("E", code);
        return kMsgReported;
    }
    modified = false;
    if (version == kModelLibraryVersion) return 0;

    // An older layout: keep the original under a backup name and write the current one.
    // The load itself has succeeded whatever happens here.
    // A library reached through a symbolic link keeps the link: the file it points to is
    // the one kept and rewritten.
    const std::string target = SaveTargetPath(fileName);
    std::string backup = FreeBackupName(target);
    int conversion = 0;
    if (backup.empty()) {
        conversion = kMsgLibraryNotConverted;
    } else if (std::rename(target.c_str(), backup.c_str()) != 0) {
        conversion = kMsgLibraryNotConverted;
    } else if (Save(fileName) != 0) {
        std::rename(backup.c_str(), target.c_str());  // put the original back
        conversion = kMsgLibraryNotConverted;
    }
    if (conversion && report) ReportMessage("ME", "File", fileName, conversion);
    return 0;
}

int ModelLibrary::Save(const char* fileName) {
    BinFile f;
    if (int code = f.OpenWrite(fileName)) return code;
    f.WriteHeader("LBR", kModelLibraryVersion);
    char reserved[kReservedBytes] = {};
    f.Write(reserved, sizeof reserved);

    bool present[ModelTypeCount] = {};
    for (LibraryModel* m = First(); m; m = Next(m)) present[m->modelType] = true;
    f.WriteInt(static_cast<int32_t>(std::count(std::begin(present), std::end(present), true)));
    for (int t = 0; t < ModelTypeCount; ++t) {
        if (!present[t]) continue;
        const ModelTypeInfo& row = ModelTypeRow(t);
        f.WriteInt(t);
        f.WriteInt(row.paramCount);
        for (int i = 0; i < row.paramCount; ++i) f.WriteLenString(row.params[i].name);
    }
    f.WriteInt(models.count);
    for (LibraryModel* m = First(); m && !f.error; m = Next(m)) {
        const int n = ModelTypeRow(m->modelType).paramCount;
        int16_t valueBytes = static_cast<int16_t>(n * 8);
        int16_t type = static_cast<int16_t>(m->modelType);
        char name[24] = {};
        std::strncpy(name, m->name, 23);
        char memo[42] = {};
        std::strncpy(memo, m->memo, 41);
        f.Write(&valueBytes, 2);
        f.Write(name, sizeof name);
        f.Write(&type, 2);
        f.Write(memo, sizeof memo);
        f.Write(m->values, n * sizeof(double));
    }
    int code = f.Close();
    if (!code) modified = false;
    return code;
}

int ModelLibrary::Sort() {
    // Drop nameless models and later duplicates of an analog model.
    for (LibraryModel* m = First(); m;) {
        LibraryModel* next = Next(m);
        bool drop = m->name[0] == 0;
        if (!drop && ModelTypeRow(m->modelType).typeClass == 0)
            for (LibraryModel* e = First(); e != m && !drop; e = Next(e))
                drop = e->modelType == m->modelType && strcasecmp(e->name, m->name) == 0;
        if (drop) {
            models.Delete(m);
            modified = true;
        }
        m = next;
    }
    // Analog models by type, then by name; other models keep their order behind them.
    std::vector<LibraryModel*> order;
    order.reserve(models.count);
    for (LibraryModel* m = First(); m; m = Next(m)) order.push_back(m);
    std::stable_sort(order.begin(), order.end(), [](const LibraryModel* a, const LibraryModel* b) {
        const bool aAnalog = ModelTypeRow(a->modelType).typeClass == 0;
        const bool bAnalog = ModelTypeRow(b->modelType).typeClass == 0;
        if (aAnalog != bAnalog) return aAnalog;
        if (!aAnalog) return false;
        if (a->modelType != b->modelType) return a->modelType < b->modelType;
        return CompareNatural(a->name, b->name) < 0;
    });
    for (LibraryModel* m : order) models.Unlink(m);
    for (LibraryModel* m : order) models.AddTail(m);
    return 0;
}

bool IsModelLibraryFile(const char* fileName) {
    BinFile f;
    if (f.OpenRead(fileName)) return false;
    int version = DetectVersion(f);
    f.Close();
    return version == 4 || version == 5 || version == 0x60001 || version == kModelLibraryVersion;
}

}  // namespace ob7
