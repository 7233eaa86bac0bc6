// The digital parts of a compiled circuit handed to the digital simulator: one
// description per part (its digital pin nodes, models, attributes and, for the
// interfaces and converters, its analog nodes), then the digital primitives are set up
// and the engine's passes are coupled to them.

#include <algorithm>
#include <cctype>

#include "circuit/attribute_ids.h"
#include "libraries/component_def.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_statements.h"
#include "netlist/model_values.h"
#include "netlist/netlist_reader.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/digital_setup.h"

namespace ob7 {

bool IsDigitalPart(const NetlistPart& p) {
    return IsValidComponentType(p.type) && ComponentTypeTable[p.type].domain == 1;
}

namespace {

std::string Trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::string Unquoted(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

// The values of a model record by parameter name: numbers that were given or have a
// default, state letters and texts.
DigitalModelValues ModelValuesOf(const ModelParams& m, const std::string& name) {
    DigitalModelValues out;
    out.name = name;
    const ModelTypeInfo& row = ModelTypeRow(m.modelType);
    for (int i = 0; i < row.paramCount && i < m.values.Size(); ++i) {
        const ModelParamInfo& info = row.params[i];
        const ModelValueSlot& v = m.values[i];
        if (info.kind == kParamReal) {
            if (v.real != ParamNotGiven) out.values[info.name] = v.real;
        } else if (info.kind == kParamState) {
            if (v.state[0] && v.state[0] != ' ') out.texts[info.name] = std::string(1, v.state[0]);
        } else if (v.text && *v.text) {
            out.texts[info.name] = Unquoted(Trimmed(v.text));
        }
    }
    return out;
}

// The model a digital part names in an attribute, searched as the given model type.
// Null after a reported error (the part is the error source).
const ModelParams* DigitalPartModel(CompileContext& cc, int part, int modelType, int attrId, int lookUpAttr,
                                    std::string* name) {
    NetlistPart& p = cc.Part(part);
    const std::string text = PartAttr(p, attrId);
    const int statement = LookUpPartModel(cc.c.tables, &p.object, p.scope, modelType, lookUpAttr, text);
    const ModelParams* model = statement >= 0 ? FindModel(cc.c.tables, -1, statement) : nullptr;
    if (!model) MarkPartErrorSource(cc.c, part);
    *name = Trimmed(text);
    return model;
}

IoModelValues IoValuesOf(const ModelParams& m) {
    auto real = [&m](const char* name, double fallback) {
        const int i = FindModelParam(kModelUio, name);
        if (i < 0 || i >= m.values.Size() || m.values[i].real == ParamNotGiven) return fallback;
        return m.values[i].real;
    };
    IoModelValues io;
    io.inld = real("INLD", 0);
    io.outld = real("OUTLD", 0);
    io.drvh = real("DRVH", 50);
    io.drvl = real("DRVL", 50);
    for (int k = 0; k < 4; ++k) {
        io.tswlh[k] = real(("TSWLH" + std::to_string(k + 1)).c_str(), 0);
        io.tswhl[k] = real(("TSWHL" + std::to_string(k + 1)).c_str(), 0);
    }
    return io;
}

// A numeric attribute (MNTYMXDLY, IO_LEVEL): 0 when empty, so the option stands in.
int NumericAttribute(CompileContext& cc, int part, int attrId, int* value) {
    *value = 0;
    const std::string text = Trimmed(PartAttr(cc.Part(part), attrId));
    if (text.empty()) return 0;
    double v = 0;
    if (int code = EvalPartValue(cc, part, text, &v)) return code;
    *value = v > 0 && v < 100 ? static_cast<int>(v) : 0;
    return 0;
}

class DigitalDescBuilder {
public:
    explicit DigitalDescBuilder(CompileContext& cc) : cc_(cc) {}

    int Build(DigitalCircuitDesc* desc, std::vector<int>* partOf) {
        NetlistCircuit& c = cc_.c;
        desc->node_count = c.digitalNodeCount;
        desc->node_names.assign(static_cast<size_t>(desc->node_count) + 1, std::string());
        for (const NodeEntry& e : c.nodes.entries)
            if (e.kind == 1 && e.number > 0 && e.number <= desc->node_count && desc->node_names[e.number].empty())
                desc->node_names[e.number] = e.name;
        desc->hi_node = c.digitalHighNode;
        desc->lo_node = c.digitalLowNode;
        desc->x_node = c.digitalUnknownNode;
        for (size_t i = 0; i < c.parts.size(); ++i) {
            if (!IsDigitalPart(c.parts[i])) continue;
            DigitalPartDesc d;
            if (int code = Describe(static_cast<int>(i), &d)) return code;
            desc->parts.push_back(std::move(d));
            partOf->push_back(static_cast<int>(i));
        }
        return 0;
    }

private:
    int Describe(int index, DigitalPartDesc* d) {
        NetlistPart& p = cc_.Part(index);
        const int t = p.type;
        d->type = t;
        d->name = Trimmed(PartAttr(p, ATTR_PART));
        if (d->name.empty()) return ReportCompileError(cc_, index, 10841);
        const std::vector<int>& n = p.pinNodes;
        auto pin = [&n](size_t k) { return k < n.size() ? n[k] : 0; };
        // The analog pins of interfaces and converters stay with the engine's nodes.
        size_t first = 0;
        if (t == CT_DINPUT) {
            d->analog_node = pin(0), d->low_node = pin(1), d->high_node = pin(2);
            first = 3;
        } else if (t == CT_DOUTPUT) {
            d->analog_node = pin(0), d->reference_node = pin(1);
            first = 2;
        } else if (t == CT_ADC) {
            d->adc_in = pin(0), d->adc_ref = pin(1), d->adc_gnd = pin(2);
            first = 3;
        } else if (t == CT_DAC) {
            d->dac_out = pin(0), d->dac_ref = pin(1), d->dac_gnd = pin(2);
            first = 3;
        }
        const ComponentDef* def = p.object.def;
        for (size_t k = first; k < n.size(); ++k) {
            d->pins.push_back(n[k]);
            d->pin_names.push_back(def ? GetPinName(*def, static_cast<int>(k)) : std::string());
        }
        if (def) {
            if (t == CT_LOGICEXP || (t >= kCtPland && t <= kCtPlnxorc)) d->input_count = def->data1;
            if (t == CT_LOGICEXP || t == CT_PINDLY || (t >= kCtPland && t <= kCtPlnxorc)) d->output_count = def->data2;
            if (t >= kCtAo && t <= kCtOai) d->group_size = def->data1;
        }

        const int modelType = ComponentTypeTable[t].modelType;
        std::string name;
        if (modelType >= 0) {
            const int attr = t == CT_DINPUT || t == CT_DOUTPUT ? ATTR_MODEL : ATTR_TIMING_MODEL;
            const ModelParams* timing =
                DigitalPartModel(cc_, index, modelType, attr, attr == ATTR_MODEL ? kAttrModel : kAttrTimingModel, &name);
            if (!timing) return kMsgReported;
            d->timing = ModelValuesOf(*timing, name);
        }
        const ModelParams* io = DigitalPartModel(cc_, index, kModelUio, ATTR_IO_MODEL, kAttrIoModel, &name);
        if (!io) return kMsgReported;
        d->io = IoValuesOf(*io);
        if (int code = NumericAttribute(cc_, index, ATTR_MNTYMXDLY, &d->timing_mode)) return code;
        if (int code = NumericAttribute(cc_, index, ATTR_IO_LEVEL, &d->io_level)) return code;
        const AttrNode* isDtoA = p.object.FindAttrByName(" ISDTOA ");
        d->drives_dtoa = isDtoA && !isDtoA->value.empty() && std::toupper(static_cast<unsigned char>(isDtoA->value[0])) == 'T';
        return Attributes(index, d);
    }

    // The text attributes the primitives parse, defines substituted (the file name as
    // written: a path keeps its case).
    int Attributes(int index, DigitalPartDesc* d) {
        NetlistPart& p = cc_.Part(index);
        static const struct {
            int id;
            const char* key;
        } kTexts[] = {{ATTR_COMMAND, "COMMAND"},   {ATTR_FORMAT, "FORMAT"},         {ATTR_SIGNAMES, "SIGNAMES"},
                      {ATTR_DATA, "DATA"},         {ATTR_VALUE, "VALUE"},           {ATTR_LOGIC, "LOGIC"},
                      {ATTR_TIMESTEP, "TIMESTEP"}, {ATTR_PINDELAY, "PINDELAY"},     {ATTR_CONSTRAINT, "CONSTRAINT"}};
        // Digital names may hold '/': it separates no define tokens meanwhile.
        SetExpressionSeparators(false);
        int code = 0;
        for (const auto& a : kTexts) {
            const std::string text = PartAttr(p, a.id);
            if (text.empty()) continue;
            std::string out;
            if ((code = SubstituteDefines(cc_.c.tables, out, p.scope, text, false)) != 0) break;
            d->attributes[a.key] = out;
        }
        SetExpressionSeparators(true);
        if (code) {
            MarkPartErrorSource(cc_.c, index);
            return kMsgReported;
        }
        const std::string file = Trimmed(PartAttr(p, ATTR_FILE));
        if (!file.empty()) d->attributes["FILE"] = file;
        return 0;
    }

    CompileContext& cc_;
};

}  // namespace

int SetupCompiledDigitalParts(CompileContext& cc) {
    DigitalCircuitDesc desc;
    std::vector<int> partOf;
    if (int code = DigitalDescBuilder(cc).Build(&desc, &partOf)) return code;
    const int code = SetupDigitalPrimitives(desc);
    if (code) {
        // The set-up reported its message naming the part: the part is the error's place.
        for (size_t i = 0; i < desc.parts.size(); ++i)
            if (!LastDigitalSetupError.part.empty() && desc.parts[i].name == LastDigitalSetupError.part) {
                MarkPartErrorSource(cc.c, partOf[i]);
                break;
            }
        return code == kMsgInsufficientMemory ? code : kMsgReported;
    }
    if (!desc.parts.empty()) InstallDigitalCoupling();
    return 0;
}

}  // namespace ob7
