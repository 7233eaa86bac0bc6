#include "app/program_accelerators.h"

#include "platform/accelerator.h"
#include "platform/application.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

using platform::Accelerator;
using platform::AcceleratorTable;
using platform::key::F;
constexpr int kShift = platform::kShiftDown, kCtrl = platform::kCtrlDown, kAlt = platform::kAltDown;

int Digit(int n) { return '0' + n; }

}  // namespace

void RegisterProgramAccelerators() {
    static const bool registered = [] {
        platform::RegisterAccelerators(AcceleratorTable(kAlwaysTable, {{'W', kCtrl | kShift, 1022}}));
        std::vector<Accelerator> noAnalysis = {
            {Digit(1), kAlt, 17600}, {Digit(2), kAlt, 17601}, {Digit(3), kAlt, 17602},
            {Digit(4), kAlt, 17607}, {Digit(5), kAlt, 17230}, {Digit(6), kAlt, 17250},
            {Digit(1), kCtrl | kAlt, 17603}, {Digit(2), kCtrl | kAlt, 17604}, {Digit(3), kCtrl | kAlt, 17605},
            {'N', kCtrl, 11400},
        };
        for (int n = 1; n <= 9; ++n) noAnalysis.push_back({Digit(n), kCtrl, 17540 + n});  // component palettes
        platform::RegisterAccelerators(AcceleratorTable(kNoAnalysisTable, noAnalysis));
        platform::RegisterAccelerators(AcceleratorTable(kAnalysisTable, {
            {F(4), 0, 17141}, {F(5), 0, 17140}, {platform::key::kSpace, kCtrl, 16069}, {F(9), 0, 16070},
            {F(9), kCtrl, 16002}, {F(9), kAlt, 17179}, {'W', kCtrl, 17176}, {F(11), 0, 18100},
            {F(12), 0, 5400}, {F(11), kCtrl, 18899},
        }));
        platform::RegisterAccelerators(AcceleratorTable(kProgramTable, {
            {F(1), 0, 17800}, {F(1), kAlt, 17805}, {F(2), 0, 16067}, {F(3), 0, 17143},
            {F(4), kShift, 57652}, {F(5), kShift, 57650}, {'F', kCtrl | kShift, 17308}, {'Z', kAlt, 1021},
            {'P', kCtrl | kShift, 18410}, {'G', kCtrl | kShift, 18408}, {'O', kCtrl, 57601}, {'F', kCtrl, 17213},
            {Digit(0), kCtrl, 18431},
        }));
        return true;
    }();
    (void)registered;
}

int TranslateProgramAccelerators(const platform::KeyEvent& event) {
    RegisterProgramAccelerators();
    auto translate = [&](int id) {
        const AcceleratorTable* table = platform::FindAccelerators(id);
        return table ? table->Translate(event) : 0;
    };
    if (int command = translate(kAlwaysTable)) return command;
    if (ModalDepth != 0 || platform::Application::ModalLoopDepth() != 0) return 0;
    if (int command = translate(Shell.analysisKind == -1 ? kNoAnalysisTable : kAnalysisTable)) return command;
    return translate(kProgramTable);
}

}  // namespace ob7
