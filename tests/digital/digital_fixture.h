#pragma once
// A small circuit builder for the digital tests: named nodes, parts with their delays,
// and a run loop that applies the events in order and records every transition.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/report_sink.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/stimulus.h"
#include "sim/engine/simulation_options.h"

namespace digital_test {

struct Capture : ob7::ReportSink {
    Capture() { ob7::SetBatchLogSink(this); }
    ~Capture() override { ob7::SetBatchLogSink(nullptr); }
    int Deliver(const ob7::ReportDelivery& report) override {
        reports.push_back(report);
        return 0;
    }
    std::vector<ob7::ReportDelivery> reports;
};

struct Transition {
    double time;
    char letter;
};

class DigitalFixture : public ::testing::Test {
protected:
    void SetUp() override { ob7::Options = ob7::kStandardOptionValues; }
    void TearDown() override { ob7::FreeDigitalNetwork(); }

    int Node(const std::string& name) {
        auto it = nodes.find(name);
        if (it != nodes.end()) return it->second;
        const int n = ++circuit.node_count;
        nodes[name] = n;
        circuit.node_names.resize(n + 1);
        circuit.node_names[n] = name;
        return n;
    }

    // A part on named pins; delays by parameter name in seconds.
    ob7::DigitalPartDesc& Add(int type, const std::string& name, const std::vector<std::string>& pins,
                              const std::map<std::string, double>& delays = {}) {
        ob7::DigitalPartDesc p;
        p.type = type;
        p.name = name;
        for (const std::string& pin : pins) {
            p.pins.push_back(Node(pin));
            p.pin_names.push_back(pin);
        }
        p.timing.values = delays;
        circuit.parts.push_back(p);
        return circuit.parts.back();
    }

    // A STIM part on the given pins.
    ob7::DigitalPartDesc& Stim(const std::string& name, const std::vector<std::string>& pins, const std::string& format,
                               const std::string& command) {
        auto& p = Add(ob7::kCtStim, name, pins);
        p.attributes["FORMAT"] = format;
        p.attributes["COMMAND"] = command;
        return p;
    }

    // Builds the network and runs the operating point of a transient to tmax.
    int Build(double tmax) {
        if (int e = ob7::SetupDigitalPrimitives(circuit)) return e;
        ob7::SetDigitalTickLength(0, tmax);
        ob7::ComputeDigitalPrimitiveDelays();
        if (int e = ob7::ResetDigitalCase(true)) return e;
        if (int e = ob7::ScheduleStimulusEvents()) return e;
        ob7::ApplyInitialDigitalEvents();
        return ob7::SettleDigitalStates();
    }

    // Applies every event up to time t, recording the transitions of every node.
    int RunTo(double t) {
        const uint32_t end = ob7::DigitalTimeTick(t);
        uint32_t tick;
        while (ob7::NextDigitalEventTick(&tick) && tick <= end) {
            if (int e = ob7::ApplyDigitalEventsAt(tick)) return e;
            for (const ob7::DigitalTransition& tr : ob7::DigitalRun.transitions)
                waves[tr.node].push_back({ob7::DigitalTickTime(tr.tick), ob7::DigitalStateChar(tr.state)});
            ob7::ClearDigitalChangeQueue();
            ++ob7::DigitalRun.solution_count;
        }
        return 0;
    }

    char At(const std::string& name) { return ob7::DigitalStateChar(ob7::DigitalNet.present[nodes.at(name)]); }

    // The waveform of a node as "letter@ns" items, e.g. "1@15 0@25".
    std::string Wave(const std::string& name) {
        std::string s;
        for (const Transition& t : waves[nodes.at(name)]) {
            char item[48];
            std::snprintf(item, sizeof item, "%s%c@%g", s.empty() ? "" : " ", t.letter, t.time * 1e9 + 0.0);
            s += item;
        }
        return s;
    }

    ob7::DigitalCircuitDesc circuit;
    std::map<std::string, int> nodes;
    std::map<int, std::vector<Transition>> waves;
    Capture capture;
};

}  // namespace digital_test
