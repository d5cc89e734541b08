#include "compare/move_detection.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

#include "compare/tree_side.h"
#include "platform/local_time.h"

namespace {

// Times are matched to the second, as the comparison matches a time kept in
// whole seconds (an ncdu export) with a finer one.
uint64_t Seconds(FILETIME time) {
  return FileTimeToU64(time) / static_cast<uint64_t>(kFileTimeTicksPerSecond);
}

// What a removal and an addition must share to be one move: the name, the
// kind, and a file's size and time or a folder's totals.
struct MoveKey {
  std::string_view name;
  bool folder;
  uint64_t first;
  uint64_t second;

  auto Tie() const { return std::tie(name, folder, first, second); }
  bool operator<(const MoveKey& other) const { return Tie() < other.Tie(); }
};

template <class Side>
MoveKey KeyOf(const Side& side, typename Side::Node node, const FolderTotals& totals) {
  if (side.IsFile(node))
    return {side.Name(node), false, static_cast<uint64_t>(side.FileSize(node)),
            Seconds(side.LastWrite(node))};
  return {side.Name(node), true, totals.files, static_cast<uint64_t>(totals.bytes)};
}

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

}  // namespace

template <class Side>
void MoveDetector<Side>::Hold(const Difference& difference) {
  Held& held = m_held.emplace_back(Held{difference, std::string(difference.path)});
  held.difference.path = {};
}

// A sum of one hash per node, each made of the node's path below the
// folder, its kind, size and time: the same content gives the same digest
// in whatever order the folders list it.
template <class Side>
uint64_t MoveDetector<Side>::ContentDigest(const Side& side, Node folder) const {
  std::vector<uint64_t> pathHash{0};  // by depth below the folder
  uint64_t digest = 0;
  ForEachBelow(side, folder, [&](Node node, int depth) {
    uint64_t h =
        Mix(pathHash[static_cast<size_t>(depth)] ^ std::hash<std::string_view>{}(side.Name(node)));
    if (side.IsFile(node))
      h = Mix(h ^ Mix(static_cast<uint64_t>(side.FileSize(node)) + Seconds(side.LastWrite(node))));
    else
      h = Mix(h + 1);
    pathHash.resize(static_cast<size_t>(depth) + 2);
    pathHash[static_cast<size_t>(depth) + 1] = h;
    digest += h;
  });
  return digest;
}

template <class Side>
bool MoveDetector<Side>::SameEntry(const Held& removed, const Held& added) {
  const Difference& r = removed.difference;
  const Difference& a = added.difference;
  if (!r.folder) {
    const uint64_t x = FileTimeToU64(m_old.LastWrite(r.oldNode));
    const uint64_t y = FileTimeToU64(m_new.LastWrite(a.newNode));
    constexpr auto kSecond = static_cast<uint64_t>(kFileTimeTicksPerSecond);
    return x == y || x % kSecond == 0 || y % kSecond == 0;  // the same second by the key
  }
  // Both sides of a folder that could not be entered are no whole content.
  if (m_old.IsUnreadable(r.oldNode) || m_new.IsUnreadable(a.newNode)) return false;
  return ContentDigest(m_old, r.oldNode) == ContentDigest(m_new, a.newNode);
}

template <class Side>
void MoveDetector<Side>::Release(const std::function<void(const Difference&)>& report) {
  // The removals, sorted by what a move keeps, so each addition finds its
  // candidates by a binary search.
  std::vector<MoveKey> keys(m_held.size());
  std::vector<uint32_t> removals;
  for (uint32_t i = 0; i < m_held.size(); ++i) {
    const Difference& d = m_held[i].difference;
    if (d.change == TreeChange::removed) {
      keys[i] = KeyOf(m_old, d.oldNode, d.oldTotals);
      removals.push_back(i);
    } else if (d.change == TreeChange::added) {
      keys[i] = KeyOf(m_new, d.newNode, d.newTotals);
    }
  }
  std::stable_sort(removals.begin(), removals.end(),
                   [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  // The next removal not yet paired, at or after each place in `removals`,
  // with the paths shortened as they are followed.
  std::vector<uint32_t> nextFree(removals.size() + 1);
  std::iota(nextFree.begin(), nextFree.end(), 0u);
  const auto findFree = [&](uint32_t k) {
    uint32_t root = k;
    while (nextFree[root] != root) root = nextFree[root];
    while (nextFree[k] != root) k = std::exchange(nextFree[k], root);
    return root;
  };
  for (uint32_t i = 0; i < m_held.size(); ++i) {
    if (m_held[i].difference.change != TreeChange::added) continue;
    const auto [lo, hi] =
        std::equal_range(removals.begin(), removals.end(), i,
                         [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    const auto end = static_cast<uint32_t>(hi - removals.begin());
    for (uint32_t k = findFree(static_cast<uint32_t>(lo - removals.begin())); k < end;
         k = findFree(k + 1)) {
      Held& removed = m_held[removals[k]];
      if (!SameEntry(removed, m_held[i])) continue;
      removed.pairedWith = i;
      m_held[i].pairedWith = removals[k];
      nextFree[k] = k + 1;
      break;
    }
  }

  for (Held& held : m_held) {
    Difference& d = held.difference;
    if (held.pairedWith >= 0) {
      if (d.change == TreeChange::removed) continue;
      const Held& removed = m_held[static_cast<size_t>(held.pairedWith)];
      d.change = TreeChange::moved;
      d.oldNode = removed.difference.oldNode;
      d.oldTotals = removed.difference.oldTotals;
      d.oldSide = removed.difference.oldSide;
      d.oldPath = removed.path;
    }
    d.path = held.path;
    report(d);
  }
  m_held.clear();
}

template class MoveDetector<TreeSide>;
template class MoveDetector<FlatCatalogue>;
