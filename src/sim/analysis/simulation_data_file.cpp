#include "sim/analysis/simulation_data_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/point_sink.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/run_control.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

const char kAnalysisLetters[] = {'T', 'A', 'D'};

char AnalysisLetter(int kind) { return kind >= 0 && kind <= 2 ? kAnalysisLetters[kind] : 'T'; }

std::string Tag(int kind) { return std::string(1, AnalysisLetter(kind)) + "SA"; }

// Moves one value between the engine and the record.
class Walker {
public:
    Walker(SimulationDataFile& f, RecordWalk mode) : f_(f), mode_(mode) {}
    void Value(double& x) {
        if (mode_ != RecordWalk::Count && static_cast<size_t>(index_) < f_.record.size()) {
            if (mode_ == RecordWalk::Pack) f_.record[index_] = x;
            else x = f_.record[index_];
        }
        ++index_;
    }
    // A place without an engine value (written as 0, skipped when read).
    void Skip() {
        if (mode_ == RecordWalk::Pack && static_cast<size_t>(index_) < f_.record.size()) f_.record[index_] = 0;
        ++index_;
    }
    int count() const { return index_; }

private:
    SimulationDataFile& f_;
    RecordWalk mode_;
    int index_ = 0;
};

void WalkDevices(Walker& w, bool ac, bool all, bool v_and_i_only) {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        for (double* x : {&m->cd, &m->cbs, &m->cbd, &m->Ig}) w.Value(*x);
        if (ac)
            for (int k = 0; k < 2; ++k) {
                double re = m->ac_currents[k].real(), im = m->ac_currents[k].imag();
                w.Value(re), w.Value(im);
                m->ac_currents[k] = {re, im};
            }
        if (all)
            for (double* x : {&m->vbs, &m->vgs, &m->vds, &m->gm, &m->gds, &m->gmbs, &m->power_dissipated}) w.Value(*x);
    }
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) {
        for (double* x : {&q->cc, &q->cb, &q->emitter_current, &q->substrate_current}) w.Value(*x);
        if (ac)
            for (int k = 0; k < 2; ++k) {
                double re = q->ac_currents[k].real(), im = q->ac_currents[k].imag();
                w.Value(re), w.Value(im);
                q->ac_currents[k] = {re, im};
            }
        if (all) for (double* x : {&q->vbe, &q->vbc, &q->gm, &q->gpi, &q->power_dissipated}) w.Value(*x);
    }
    for (Diode* d : DevicesOf<Diode>(kDiodeList)) {
        w.Value(d->cd);
        if (ac) {
            double re = d->ac_current.real();
            w.Value(re);
            d->ac_current = {re, d->ac_current.imag()};
        }
        if (all) for (double* x : {&d->vd, &d->gd, &d->power_dissipated}) w.Value(*x);
    }
    if (all)
        for (Capacitor* c : DevicesOf<Capacitor>(kCapacitorList)) w.Value(c->effective_capacitance), w.Value(c->stored_power);
    if (all && !ac)
        for (Inductor* l : DevicesOf<Inductor>(kInductorList)) w.Value(l->inductance), w.Value(l->power);
    for (Resistor* r : DevicesOf<Resistor>(kResistorList)) {
        if (all) w.Value(r->effective_resistance), w.Value(r->power);
        else if (v_and_i_only) w.Value(r->effective_resistance);
    }
    if (all) for (SineSource* s : DevicesOf<SineSource>(kSineSourceList)) w.Value(s->value);
    for (SpiceSource* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        w.Value(s->value);
        if (all) w.Value(s->power);
    }
    if (all) for (PulseSource* s : DevicesOf<PulseSource>(kPulseSourceList)) w.Value(s->value);
    if (all) for (UserSource* s : DevicesOf<UserSource>(kUserSourceList)) w.Value(s->value);
    for (DependentSource* s : DevicesOf<DependentSource>(kLinearDependentSourceList)) {
        w.Value(s->output_current);
        if (all) w.Value(s->power);
    }
}

}  // namespace

std::string SimulationDataFileName(const std::string& circuit_path, int analysis_kind, bool schematic) {
    std::string name = circuit_path;
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.find_last_of('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (has_extension) {
        if (schematic) name.erase(dot);
        else name[dot] = '_';
    }
    return name + '.' + AnalysisLetter(analysis_kind) + "SA";
}

int PackSimulationRecord(SimulationDataFile& f, RecordWalk mode, double time, double* solution) {
    Walker w(f, mode);
    const bool ac = f.analysis_kind == 1;
    const bool all = f.save_type == kSaveAll;
    double t = time;
    w.Value(t);
    double phase = DigitalPhase;
    w.Value(phase);
    if (mode == RecordWalk::Unpack) DigitalPhase = static_cast<int>(phase);
    const int entries = ac ? 2 * EquationCount + 1 : EquationCount;
    for (int i = 1; i <= entries; ++i) {
        if (solution) w.Value(solution[i]);
        else w.Skip();
    }
    // The groups of the compiled circuit, whether or not the run has sized the arrays yet.
    const DeviceList* lists = DeviceListTable;
    const size_t groups = lists[kDiodeList].count + 3 * lists[kGaasfetList].count + 2 * lists[kJfetList].count +
                          lists[kInductorList].count + lists[kCapacitorList].count +
                          kBjtBlockGroups * lists[kBjtList].count + kMosfetBlockGroups * lists[kMosfetList].count;
    const bool sized = std::min(StateValues.size(), StateDerivatives.size()) >= groups * kHistorySlots;
    for (size_t g = 0; g < groups; ++g) {
        if (sized) w.Value(StateDerivatives[g * kHistorySlots]);
        else w.Skip();
        if (all) {
            if (sized) w.Value(StateValues[g * kHistorySlots]);
            else w.Skip();
        }
    }
    if (all) {
        w.Value(Run.power_generated);
        w.Value(Run.power_dissipated);
        w.Value(Run.power_stored);
    }
    WalkDevices(w, ac, all, f.save_type == kSaveVAndI);
    return w.count();
}

int OpenSimulationDataFile(SimulationDataFile& f, const std::string& name, RunOption option, int analysis_kind,
                           int save_type, int check_value) {
    f.open = false;
    f.option = option;
    f.analysis_kind = analysis_kind;
    f.end_of_data = 0;
    f.accepted = 0;
    f.pending = false;
    f.previous_time = 0;
    if (option == RunOption::Normal) return 0;
    f.open = true;
    const int equations = analysis_kind == 1 ? 2 * EquationCount : EquationCount;
    if (option == RunOption::Retrieve) {
        int32_t version = 0;
        int error = f.stream.OpenRead(name.c_str());
        if (!error) error = f.stream.ReadHeader(Tag(analysis_kind).c_str(), version);
        if (error) {
            ReportMessage("E", error);
            CloseSimulationDataFile(f);
            return kMsgReported;
        }
        f.save_type = f.stream.ReadInt();
        const int32_t count = f.stream.ReadInt();
        const int32_t check = f.stream.ReadInt();
        if (f.stream.error || version != kDataFileVersion || (f.save_type != kSaveVAndI && f.save_type != kSaveAll) ||
            count != equations || check != check_value) {
            ReportMessage("E", kMsgObsoleteDataFile);
            f.end_of_data = 1;
            CloseSimulationDataFile(f);
            return kMsgReported;
        }
        if (f.save_type == kSaveVAndI && analysis_kind != 1) {
            ReportMessage("E", kMsgVAndIOnlyDataFile);
            CloseSimulationDataFile(f);
            return kMsgReported;
        }
    } else {
        f.save_type = save_type;
        int error = f.stream.OpenWrite(name.c_str());
        if (!error) error = f.stream.WriteHeader(Tag(analysis_kind).c_str(), kDataFileVersion);
        if (!error) error = f.stream.WriteInt(save_type);
        if (!error) error = f.stream.WriteInt(equations);
        if (!error) error = f.stream.WriteInt(check_value);
        if (error) {
            CloseSimulationDataFile(f);
            return error;
        }
    }
    f.record_length = PackSimulationRecord(f, RecordWalk::Count, 0, nullptr);
    try {
        f.record.assign(static_cast<size_t>(f.record_length), 0.0);
    } catch (const std::bad_alloc&) {
        CloseSimulationDataFile(f);
        return kMsgInsufficientMemory;
    }
    return 0;
}

int WriteDataFilePoint(SimulationDataFile& f, double time, const double* solution, bool force) {
    if (!f.open || f.option != RunOption::Save) return 0;
    ++f.accepted;
    if (!force && DigitalPhase == 0 && f.reduction > 1 && f.accepted % f.reduction != 0) {
        f.pending = true;
        f.pending_time = time;
        f.pending_solution = solution;
        return 0;
    }
    f.pending = false;
    PackSimulationRecord(f, RecordWalk::Pack, time, const_cast<double*>(solution));
    if (f.stream.Write(f.record.data(), f.record.size() * sizeof(double))) {
        const int error = f.stream.error;
        CloseSimulationDataFile(f);
        return error ? error : kMsgWriteFailed;
    }
    return 0;
}

int WriteDataRecordIfSaving(SimulationDataFile& f) {
    if (!f.open || f.option != RunOption::Save || !f.pending) return 0;
    --f.accepted;
    return WriteDataFilePoint(f, f.pending_time, f.pending_solution, true);
}

int ReadDataFilePoint(SimulationDataFile& f, double* time, double* step, double* solution) {
    if (!f.open || f.end_of_data) {
        f.end_of_data = 1;
        return 0;
    }
    const size_t bytes = f.record.size() * sizeof(double);
    const size_t got = bytes ? std::fread(f.record.data(), 1, bytes, f.stream.file) : 0;
    if (got < bytes || bytes == 0) {
        f.end_of_data = 1;
        return 0;
    }
    if (solution) solution[0] = 0;
    PackSimulationRecord(f, RecordWalk::Unpack, 0, solution);
    *step = f.record[0] - f.previous_time;
    *time = f.record[0];
    f.previous_time = *time;
    return 0;
}

void CloseSimulationDataFile(SimulationDataFile& f) {
    if (f.stream.file) f.stream.Close();
    f.stream.error = 0;
    f.open = false;
    std::vector<double>().swap(f.record);
}

int ReplaySimulationDataFile(SimulationDataFile& f, PointSink& sink) {
    double* solution = f.analysis_kind == 1 ? AcSolution.data() : Solution.data();
    for (;;) {
        double time = 0, step = 0;
        if (int error = ReadDataFilePoint(f, &time, &step, solution)) return error;
        if (f.end_of_data) return 0;
        if (f.analysis_kind == 1) SetAcFrequency(time);
        else Run.time = time;
        if (int error = sink.AcceptPoint(time)) return error;
        if (PollRunKeys(nullptr, 6) == 27) return kMsgStopped;
    }
}

bool IsDataFileStale(const std::string& circuit_name, const std::string& data_name, bool changed_since_saved) {
    if (changed_since_saved) return true;
    struct stat circuit {}, data {};
    if (stat(circuit_name.c_str(), &circuit) != 0) return false;
    if (stat(data_name.c_str(), &data) != 0) return true;
    return data.st_mtime < circuit.st_mtime;
}

}  // namespace ob7
