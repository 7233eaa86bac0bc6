#pragma once
// A fresh engine for each test: standard options, the test device kinds registered,
// an operating-point analysis prepared, and everything freed afterwards.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/test_devices.h"
#include "expression/math_error.h"
#include "sim/engine/integration.h"
#include "sim/engine/run_control.h"

namespace ob7 {

inline std::vector<std::string> CapturedPrompts;

class EngineCircuit : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMathError();
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
        testdev::RegisterAll();
        AnalysisKind = -1;
        AnalysisMode = kModeDc;
        AnalysisSubMode = kSubModeOperatingPoint;
        OperatingPointPhase = 1;
        UseInitialConditions = 0;
        HasNodeSets = HasInitialConditions = 0;
        InitialConditionTable.clear();
        RunControl = {};
        DigitalPhase = 0;
        NoAnalogNodes = 0;
        TotalIterations = 0;
        IterationCount = 0;
        CapturedPrompts.clear();
        RunView = {};
        RunView.show_prompt = [](const std::string& text) { CapturedPrompts.push_back(text); };
    }
    void TearDown() override {
        FreeSimulationState();
        RunView = {};
    }
    // Numbers the equations, builds the matrix and runs the set-up pass, as a driver does.
    int Prepare(int nodes) {
        NodeCount = nodes;
        const int error = InitSimulationState(true, OperatingPointSlot);
        MatrixSetUp = 1;
        for (auto* p : DevicesOf<testdev::Probe>(kTableSourceList)) p->calls.clear();
        return error;
    }
};

}  // namespace ob7
