// An ncdu export gives each file its size (asize) and the disk space it
// takes (dsize); a catalogue keeps the size and whether the file is sparse.
// Both directions of the exchange agree on what dsize says about that.
#pragma once

#include <cstdint>

constexpr int64_t kNcduBlock = 512;

// Sparse when the disk space is at least a whole block below the size, so
// that a dsize not counted in blocks (3 for a 3-byte file) is no hole.
inline bool NcduSaysSparse(int64_t asize, int64_t dsize) {
  return asize >= 0 && dsize >= 0 && asize - dsize >= kNcduBlock;
}

// The dsize written for a sparse file. The catalogue does not know how much
// is allocated, so this is the most that still reads back as sparse: whole
// blocks, at least one below the size. A file smaller than a block cannot
// show as sparse; it is written with its size.
inline int64_t NcduSparseDiskUsage(int64_t asize) {
  if (asize < kNcduBlock) return asize;
  return (asize - kNcduBlock) / kNcduBlock * kNcduBlock;
}
