#include "circuit/views/spice_to_library.h"

#include <cstring>

#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "netlist/spice_logical_lines.h"

namespace ob7 {

namespace {

// The tables of the translated text: a text page with no run, whose .PARAM lines of
// libraries are not wanted (only model statements are read).
class TranslationCircuit : public NetlistCircuitServices {
public:
    explicit TranslationCircuit(std::string title) : title_(std::move(title)) {}
    std::string Title() const override { return title_; }
    bool IsSchematic() const override { return false; }
    bool IsModified() const override { return false; }
    int ApplyParamStatement(NetlistCircuitTables&, const std::string&, int, const std::string&, int) override
    {
        return 0;
    }
    void CheckModelParameterLimits(NetlistCircuitTables&, int, const ModelParams&) override {}

private:
    std::string title_;
};

bool StartsWith(const std::string& line, const char* prefix)
{
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

int TranslateSpiceTextToLibrary(const std::string& text, const std::string& sourceName, ModelLibrary& library)
{
    TranslationCircuit circuit(sourceName);
    NetlistCircuitTables tables{circuit};
    InitGlobalScope(tables);

    int added = 0;
    int nesting = 0;
    SpiceLogicalLines lines(text);
    std::string line;
    int number = 0;
    while (lines.Next(line, nullptr, &number)) {
        if (StartsWith(line, ".SUBCKT ")) {
            ++nesting;
            continue;
        }
        if (StartsWith(line, ".ENDS ") || line == ".ENDS") {
            --nesting;
            continue;
        }
        if (nesting != 0 || !StartsWith(line, ".MODEL"))
            continue;
        const size_t before = tables.models.size();
        if (AddModelStatement(tables, line.c_str(), 1, StatementOrigin{nullptr, number}, kOriginCircuitText, false,
                              sourceName) != 0 ||
            tables.models.size() == before)
            continue;  // reported; the next statement is still translated
        const ModelParams* values = FindModel(tables, -1, static_cast<int>(before));
        if (!values)
            break;
        const int type = values->modelType;
        // Text-valued types have no binary form: adding one would fail as if memory ran out.
        if (CanStoreInLibrary(type)) {
            LibraryModel* model = library.AddModel(type);
            if (!model)
                break;
            const int count = ModelTypeRow(type).paramCount;
            for (int i = 0; i < count && i < values->values.Size(); ++i)
                std::memcpy(&model->values[i], &values->values[i], sizeof(double));
            std::strncpy(model->name, tables.models[before].name.c_str(), sizeof model->name - 1);
            model->name[sizeof model->name - 1] = '\0';
            ++added;
        }
        // Each statement stands alone: the next one may reuse the name.
        tables.modelValues[type].clear();
        tables.models.clear();
    }
    tables.Clear(kClearModels);
    return added;
}

std::string ProposedLibraryName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? path.substr(0, dot)
                                 : path;
    return stem + ".LBR";
}

}  // namespace ob7
