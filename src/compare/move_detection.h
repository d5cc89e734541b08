// Turning a removal and an addition of the same entry into one move. The
// comparison hands over every difference as it finds it; additions and
// removals can only be paired once all are known, so everything is held
// until the comparison ends and then passed on in the order it came.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "compare/tree_compare.h"

// Side is TreeSide or FlatCatalogue (see tree_side.h).
template <class Side>
class MoveDetector {
 public:
  using Node = typename Side::Node;
  using Difference = NodeDifference<Node>;

  MoveDetector(const Side& oldSide, const Side& newSide) : m_old(oldSide), m_new(newSide) {}

  // Keeps the difference (its path is copied).
  void Hold(const Difference& difference);

  // Pairs each removed file with an added one of the same name, size and
  // last-write time, and each removed folder with an added one of the same
  // name and the same content throughout; several alike pair in their order.
  // Reports everything held, a pair as one move where the addition stood.
  void Release(const std::function<void(const Difference&)>& report);

 private:
  struct Held {
    Difference difference;
    std::string path;         // its own, so holding more never copies what is held
    int64_t pairedWith = -1;  // the other half of a move
  };

  // Whether two nodes of the same name and size (or folder totals) are one
  // entry: a file's time, a folder's content.
  bool SameEntry(const Held& removed, const Held& added);
  uint64_t ContentDigest(const Side& side, Node folder) const;

  const Side& m_old;
  const Side& m_new;
  std::deque<Held> m_held;  // grows without moving what it holds
};
