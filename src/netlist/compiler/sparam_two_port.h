#pragma once
// Linear two-ports described by measured scattering parameters in a data file. The file's
// points become admittance parameters, and each of Y11, Y12, Y21 and Y22 a voltage-
// controlled current source whose frequency table holds its magnitude in dB and its phase
// in degrees.

#include <array>
#include <string>
#include <vector>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct FreqTableSource;

enum SParamPairFormat : int { kPairMagnitudeAngle = 0, kPairDecibelAngle = 1, kPairRealImag = 4 };

// The record of list 8.
struct SParamTwoPort : DeviceInstance {
    int port1Plus = 0, port1Minus = 0, port2Plus = 0, port2Minus = 0;
    std::string path;
    double unitFactor = 1.0;
    // A file without an option line is read as the data files' convention has it:
    // magnitude and angle against 50 ohms.
    double referenceResistance = 50.0;
    int pairFormat = kPairMagnitudeAngle;
    int phaseForm = 2;  // degrees
    int pointCount = 0;
    FreqTableSource* sources[4] = {};  // Y11, Y12, Y21, Y22
};

struct Complex2 {
    double re = 0, im = 0;
};

// One point of the file: the frequency and the values 11, 12, 21, 22 (S or Y).
struct SParamPoint {
    double frequency = 0;
    Complex2 v11, v12, v21, v22;
};

// The Y parameters of an S point with reference resistance r.
SParamPoint SParamToYParam(const SParamPoint& s, double r);

// The table of one Y parameter (0 Y11, 1 Y12, 2 Y21, 3 Y22): ten entries per interval,
// the last point, and the first and last entries repeated at the two ends (10 N - 7
// entries of frequency, dB, degrees).
std::vector<std::array<double, 3>> BuildYParamTable(const std::vector<SParamPoint>& y, int index);

// dB and degrees of a value, the phase unwrapped towards *previousPhase (updated).
void ComplexToDbPhase(const Complex2& z, double* previousPhase, double* db, double* phase);

// Parses the option line ("# GHz S MA R 50") into the record. 0, or the message text of a
// malformed line in *error.
int ParseSParamOptionLine(SParamTwoPort& record, const std::string& line, std::string* error);

// Reads the data file's points (S parameters, frequencies in Hz) from a text. 0, or a
// message text in *error (an option-line fault, or no table).
int ReadSParamText(SParamTwoPort& record, const std::string& text, std::vector<SParamPoint>* points,
                   std::string* error);

}  // namespace ob7
