#include "circuit/active_circuit.h"

namespace ob7 {

CircuitDocument* ActiveCircuit = nullptr;
double AnalysisValue = -1.0;
int PendingHelpTopic = 0;

void MakeActiveCircuit(CircuitDocument& doc)
{
    ActiveCircuit = &doc;
}

void ClearActiveCircuit()
{
    ActiveCircuit = nullptr;
}

std::string BuildAnalysisFileName(const std::string& title, int analysisKind, const std::string& suffix,
                                  bool dotToUnderscore)
{
    std::string name = title;
    size_t slash = name.find_last_of("/\\");
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot < nameStart)
        dot = std::string::npos;
    if (dotToUnderscore && dot != std::string::npos) {
        name[dot] = '_';
        dot = std::string::npos;
    }
    if (dot != std::string::npos)
        name.erase(dot);
    char letter = analysisKind >= 0 && analysisKind < 4 ? kAnalysisLetters[analysisKind] : 'T';
    return name + "." + letter + suffix;
}

}  // namespace ob7
