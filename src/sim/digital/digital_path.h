#pragma once
// The logic of the Digital Path window: chains of gates from a source (a stimulus or a
// flip-flop) through the digital network, their low-to-high and high-to-low delays, and
// the rows of the path list. The window itself lives with the schematic editor.

#include <string>
#include <vector>

namespace ob7 {

// At most this many paths are listed: reconvergent logic has exponentially many.
inline constexpr size_t kMaxDigitalPaths = 10000;

struct DigitalPathSet {
    std::vector<std::vector<int>> paths;  // primitive numbers, source first
    bool truncated = false;               // the cap was reached
};

// The primitive whose part has the name, 0 when none.
int FindPrimitiveOfPart(const std::string& part);
// True for a path source: STIM, FSTIM, DIGITAL SWITCH, DIGITAL STATE, or a flip-flop.
bool IsPathSource(int primitive);

// The chains from start (every source when 0); with end, cut after its first occurrence
// of end, keeping only those that reach it, once each.
DigitalPathSet BuildDigitalPaths(int start, int end);
// The chains the window lists for its start and end parts (either may be empty): every
// source's chains, the chains from start, or the chains from start to end. A named part
// without a primitive gives no chain.
DigitalPathSet PathsBetweenParts(const std::string& start_part, const std::string& end_part);

// A connection to mark on the schematic: the node by which one part of a path drives the
// next one.
struct PathLink {
    std::string from_part, to_part;
    int node = 0;
    std::string node_name;
};
// The parts of a path in order ("" for a part without a name) and the links between
// consecutive ones.
std::vector<std::string> PathParts(const std::vector<int>& path);
std::vector<PathLink> PathLinks(const std::vector<int>& path);

// The delay in seconds of the path for the first output going to `level` (0 or 1);
// *final_level receives the level at the end of the path. Nothing is scheduled.
double PathDelay(const std::vector<int>& path, int level, int* final_level);
// Low-to-high and high-to-low delays of the path's output.
void PathDelays(const std::vector<int>& path, double* lh, double* hl);

struct PathListRow {
    std::string text;
    int path = 0;  // item data: the path number (0 for the header)
};
// The list rows: header, then each path with its part names wrapped to the path column
// and the delays on its last row. path_column is the width of the path column in
// characters; digits and style format the delays (FormatNumber).
std::vector<PathListRow> FillPathList(const DigitalPathSet& set, int path_column, int digits, int style);

// The printed pages of the list: each starts with "Page %-2d  %s" (number from 1, the
// circuit's title) and the header row, then as many path rows as lines_per_page leaves
// room for. No page when the list holds nothing but its header.
std::vector<std::vector<std::string>> PathListPages(const std::vector<PathListRow>& rows, int lines_per_page,
                                                    const std::string& title);

}  // namespace ob7
