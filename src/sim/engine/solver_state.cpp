#include "sim/engine/solver_state.h"

#include <algorithm>

namespace ob7 {

int32_t AnalysisKind = -1;

int AnalysisMode = kModeDc;
int AnalysisSubMode = kSubModeOperatingPoint;
int InitMode = kInitTransient;
int OperatingPointPhase = 0;
int MatrixSetUp = 0;
int UseInitialConditions = 0;
int LoadFlags[8] = {};
int NonConvergedCount = 0;
int IterationCount = 0;
int IterationLimitReached = 0;
int BypassAllowed = 0;
int SuppressPrompt = 0;
int NoAnalogNodes = 0;
int AcNeedsOperatingPoint = 0;
int LoadAbort = 0;
double SourceFactor = 1.0;
double PredictorRatio = 1.0;
long TotalIterations = 0;
int OperatingPointSolved = 0;
int AcOperatingPointSolved = 0;

int NodeCount = 0;
int EquationCount = 0;

std::vector<double> Solution;
std::vector<double> RightHandSide;
std::vector<double> PreviousIterate;
std::vector<double> LastAcceptedSolution;
std::vector<double> EarlierAcceptedSolution;
std::vector<double> BackupSolution;

RunValues Run;
double MaxTimeStep = 1.0;
double SweepStep = 1.0;
double TimeUnit = 1.0;
double DigitalTimeScale = 1.0;
double AtoDMinimum = 1e30;

double WorkRelTol = 1e-3, WorkAbsTol = 1e-12, WorkVnTol = 1e-6;
double BypassTolerance = 1e-6;
double CoreRelTol = 1e-6;
double CoreTolerance = 0.0;

void AllocateRunVectors() {
    // AC keeps a (real, imaginary) pair per equation.
    const size_t n = static_cast<size_t>(EquationCount + 1) * 2;
    for (std::vector<double>* v : {&Solution, &RightHandSide, &PreviousIterate, &LastAcceptedSolution,
                                   &EarlierAcceptedSolution, &BackupSolution})
        v->assign(n, 0.0);
    Run.solution_available = 1;
}

void FreeRunVectors() {
    for (std::vector<double>* v : {&Solution, &RightHandSide, &PreviousIterate, &LastAcceptedSolution,
                                   &EarlierAcceptedSolution, &BackupSolution})
        std::vector<double>().swap(*v);
    Run.solution_available = 0;
}

}  // namespace ob7
