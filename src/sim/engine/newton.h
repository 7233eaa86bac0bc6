#pragma once
// Newton-Raphson iteration of the circuit equations, the convergence tests shared by
// every device load, and the list of what failed to converge.

#include <string>
#include <vector>

namespace ob7 {

struct DeviceInstance;

// Engine result codes.
enum : int {
    kMsgIterationLimit = 14190,  // "%EFailed to converge in specified number of iterations at time=%g."
    kMsgOperatingPointFailed = 14191,  // "%EFailed to converge during dc operating point."
    kMsgMatrixSingular = 15051,  // "%EMatrix is singular."
};

// Solves one operating point or time point. Returns 0, 14190 (iteration limit, in
// analysis mode 1 only), 15056 (stopped), or a code of the load pass, the matrix or the
// digital side. gmin goes to the factorisation (added only while GMIN stepping).
int NewtonSolve(void* poll_window, int iteration_limit, double gmin);

// Factors the current matrix and solves into `solution`; the ground entry becomes 0.
// Without a matrix, 0.
int FactorAndSolveReal(double* solution, double gmin);
int FactorAndSolveComplex(double* solution);

// Convergence of a new value a against an old value b.
bool CurrentConverged(double a, double b);
bool VoltageConverged(double a, double b);
// The same, raising NonConvergedCount when the value still moves.
int CurrentNotConverged(double a, double b);
int IsNotConverged(double a, double b);
// Compares with the value in the slot, then stores the new one there.
int StoreAndCheckChange(double& slot, double value);
void AvoidZero(double& x);
void ClampToRmin(double& x);
double MaxDouble(double a, double b);
double MinDouble(double a, double b);
double MaxAbsDouble(double a, double b);

// --- Non-convergence list -----------------------------------------------------------
inline constexpr int kMaxNonConvergence = 20;
inline constexpr int kNonConvergentNode = 25;

struct NonConvergenceEntry {
    const DeviceInstance* device = nullptr;
    int node = 0;        // kind 25
    int kind = 0;        // 1 to 32
    double value = 0;    // the value the device predicted
};
struct NonConvergenceList {
    std::vector<NonConvergenceEntry> entries;
    double failure_time = 0;
};
extern NonConvergenceList NonConvergence;

void RecordNonConvergentDevice(const DeviceInstance* device, int kind, double value);
void RecordNonConvergentNode(int node, double previous_value);

// Names of parts (with their scope) and nodes for the report; installed by the
// netlist side. Unset, names are empty.
extern std::string (*NonConvergencePartName)(const void* owning_part);
extern std::string (*NonConvergenceNodeName)(int node);

// The lines of the report of the list: the header line (with the time of failure) only
// for the numeric output file, then one line per entry. Empty for an empty list.
std::vector<std::string> NonConvergenceReport(bool for_numeric_output);

}  // namespace ob7
