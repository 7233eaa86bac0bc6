#pragma once
// The simulation data file: the complete simulator state of every accepted point of a
// Save run, replayed by a Retrieve run instead of simulating.
//
// Layout (little-endian): the common 24-byte header (tag: the analysis letter T, A or D,
// then "SA"; version 0x70000), int32 save type (1 V and I only, 2 Save All), int32
// equation count, int32 check value, then records of L doubles each. A record: the time
// (a DC sweep's value 1), the digital phase, the solution entries, the slot-0 current
// (and with Save All the charge) of every charge-state group, with Save All the three
// power totals, then the device values list by list. One walker counts, packs and
// unpacks, so the layout is written down once (PackSimulationRecord).

#include <string>
#include <vector>

#include "foundation/binfile.h"

namespace ob7 {

class PointSink;

enum class RunOption : int { Normal = 0, Save = 1, Retrieve = 2 };
enum : int { kSaveVAndI = 1, kSaveAll = 2 };
inline constexpr int kDataFileVersion = 0x70000;

enum : int {
    kMsgObsoleteDataFile = 5360,   // "%EObsolete data file, please rerun the simulation."
    kMsgVAndIOnlyDataFile = 5361,  // "%EThe data file is a V and I only type saved from Probe. ..."
};

struct SimulationDataFile {
    BinFile stream;
    bool open = false;
    RunOption option = RunOption::Normal;
    int analysis_kind = 0;     // 0 transient, 1 AC, 2 DC
    int save_type = kSaveAll;
    int record_length = 0;     // doubles per record
    std::vector<double> record;
    int end_of_data = 0;
    int reduction = 1;         // every n-th accepted point is written
    int accepted = 0;          // points offered since the open
    bool pending = false;      // a skipped point waits for the flush
    double pending_time = 0;
    const double* pending_solution = nullptr;
    double previous_time = 0;  // of the last record read
};

// The file beside the circuit: the extension replaced by the analysis letter and "SA";
// a circuit that is not a schematic keeps its old extension as part of the name.
std::string SimulationDataFileName(const std::string& circuit_path, int analysis_kind, bool schematic);

// Opens for the run option (Normal: nothing). Retrieve checks the header against the
// circuit (equation count, check value) and reports 5360 or, for a V and I only file in a
// transient or DC run, 5361, returning 15055. 0, 15002, 15055 or a file error.
int OpenSimulationDataFile(SimulationDataFile& f, const std::string& name, RunOption option, int analysis_kind,
                           int save_type, int check_value);
// Save runs: writes the point's record (every `reduction`-th point, digital points and
// forced writes always); a skipped point waits as pending. 0 or 16028.
int WriteDataFilePoint(SimulationDataFile& f, double time, const double* solution, bool force = false);
// The pending record, when there is one (the flush at the end of a run).
int WriteDataRecordIfSaving(SimulationDataFile& f);
// The next record into the engine: solution, charge states, powers, device values.
// Sets the end-of-data flag at the end of the file. 0 or the read error.
int ReadDataFilePoint(SimulationDataFile& f, double* time, double* step, double* solution);
void CloseSimulationDataFile(SimulationDataFile& f);

// The record walker: mode 2 counts, 1 packs from the engine into f.record, 0 unpacks
// f.record into the engine. Returns the record length.
enum class RecordWalk : int { Unpack = 0, Pack = 1, Count = 2 };
int PackSimulationRecord(SimulationDataFile& f, RecordWalk mode, double time, double* solution);

// A Retrieve run: every record of the open file in turn goes into the engine and to the
// sink. 0, 15056 (Esc) or the error of the sink or the read.
int ReplaySimulationDataFile(SimulationDataFile& f, PointSink& sink);

// Stale when the circuit changed since the file was written (the flag), or the data file
// is older than the circuit file; not stale when the circuit file does not exist.
bool IsDataFileStale(const std::string& circuit_name, const std::string& data_name, bool changed_since_saved);

}  // namespace ob7
