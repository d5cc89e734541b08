// The search index of one catalogue, kept in the user's cache folder (never
// beside the catalogue, which may sit on read-only media). It holds each
// node's name lower-cased, one after the other, which a query's literal
// texts are found in at memory speed; and for each node its parent and where
// its record starts in the catalogue, so that each candidate is read back from
// the catalogue and judged by the very same test as a streamed search.
//
// An index names the catalogue it was made from by its absolute path, size,
// modification time and a hash of its first and last 64 KiB; one that does
// not fit, or whose own checksum fails, is made again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CatalogueIndex {
 public:
  static constexpr uint32_t kNoParent = UINT32_MAX;

  uint64_t NodeCount() const { return m_nNodes; }
  // Nodes whose lower-cased name holds one of the texts, in pre-order.
  std::vector<uint32_t> Candidates(const std::vector<std::string>& texts) const;
  uint32_t Parent(uint32_t node) const;
  uint64_t RecordOffset(uint32_t node) const;
  // The lower-cased name as stored (a null byte in it stored as 0x01).
  std::string_view LowerName(uint32_t node) const;
  uint64_t FileBytes() const { return m_bytes.size(); }

  // The index file for a catalogue: loaded when it fits the catalogue, else
  // built (atomically) and loaded. Null when the catalogue cannot have one
  // (out of tree order, cut short, over 4 GiB: it is searched by streaming)
  // or the catalogue cannot be read; error then says why, or stays empty.
  // progress is called once when building takes over a second.
  static std::unique_ptr<CatalogueIndex> Open(const std::string& catalogue,
                                              const std::string& cacheFolder,
                                              const std::function<void()>& progress,
                                              std::string& error);
  // Where Open keeps the index of a catalogue.
  static std::string IndexPath(const std::string& catalogue, const std::string& cacheFolder);

 private:
  struct Key;
  static std::optional<Key> ReadKey(const std::string& catalogue, std::string& error);
  static std::unique_ptr<CatalogueIndex> Load(const std::string& file, const Key& key);
  static bool Build(const std::string& catalogue, const std::string& file, const Key& key,
                    const std::function<void()>& progress);
  uint32_t NodeAt(size_t blobOffset) const;

  std::string m_bytes;  // the whole index file
  uint64_t m_nNodes = 0;
  const unsigned char* m_parents = nullptr;
  const unsigned char* m_offsets = nullptr;
  const unsigned char* m_blockStarts = nullptr;
  std::string_view m_names;
};
