#pragma once
// Saving the modified documents: before an analysis when the "AutoSave" preference is on,
// and every "AutoSaveMin" minutes of idle time while "AutoSaveEvery" is on.

namespace ob7 {

// Every open schematic, text or library window whose document is modified is saved: an
// untitled one asks for its name first; the others are written under their titles at
// once. Results are not looked at.
void SaveModifiedDocuments();

// The periodic save, counted in whole minutes of the seconds since the system started;
// the first allowed pass after the interval saves at once. Nothing while a demo plays,
// a modal dialog runs, a run goes on unpaused, an analysis is active or the setting is off.
class AutoSaveClock {
public:
    // True when the documents were saved (a new interval starts).
    bool Pass(long long secondsSinceStart);

private:
    long long last_ = 0;
};

// Seconds since the system started.
long long SecondsSinceSystemStart();

}  // namespace ob7
