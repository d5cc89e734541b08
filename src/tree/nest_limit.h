// How deep a catalogue may nest. Tree files give each record its nest level,
// and their readers find a record's parent in a table of the last node read
// at each level, with room for kMaxNestLevels levels (0 to 199): the format
// has always been read that way, so no catalogue may go deeper.
#pragma once

// Deepest nest level a tree file may use, plus one.
constexpr int kMaxNestLevels = 200;
// A whole-tree file writes a node of depth d (top-level nodes have depth 0)
// with level d + 1, so this is the deepest node a saved catalogue holds.
constexpr int kDeepestSavedDepth = kMaxNestLevels - 2;

// What the user is told where a tree would go deeper (a scan, a file).
inline constexpr char kNestLimitText[] = "Maximum directory nest level exceeded!";
