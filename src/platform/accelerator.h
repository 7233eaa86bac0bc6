#pragma once
// Accelerator tables: key + modifiers -> command id, registered under the table ids the
// windows load them by (500, 514 ...).

#include <vector>

#include "platform/input.h"

namespace platform {

struct Accelerator {
    int key = 0;        // virtual-key code
    int modifiers = 0;  // Modifier bits that must be held, exactly
    int command = 0;
};

class AcceleratorTable {
public:
    AcceleratorTable() = default;
    AcceleratorTable(int id, std::vector<Accelerator> entries) : id_(id), entries_(std::move(entries)) {}

    int Id() const { return id_; }
    const std::vector<Accelerator>& Entries() const { return entries_; }

    // The command of the first entry matching the key event, or 0.
    int Translate(const KeyEvent& event) const;

private:
    int id_ = 0;
    std::vector<Accelerator> entries_;
};

// Process-wide table registry, filled at start-up; a table id registered again replaces
// the earlier table.
void RegisterAccelerators(AcceleratorTable table);
const AcceleratorTable* FindAccelerators(int id);

}  // namespace platform
