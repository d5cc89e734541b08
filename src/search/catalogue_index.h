// The search index of one catalogue, kept in the user's cache folder (never
// beside the catalogue, which may sit on read-only media).
//
// The nodes are taken in blocks of 512 in pre-order. A block holds each
// node's name lower-cased, its parent and the length of its record in the
// catalogue; a table of bits tells, for each of 8192 buckets of three-byte
// runs (trigrams), which blocks hold a name with a run in that bucket. A
// query's literal texts pick the blocks that may hold them from a few rows of
// that table, the texts are found in those blocks' names, and each candidate
// is read back from the catalogue and judged by the very same test as a
// streamed search, so both give the same results.
//
// An index names its catalogue by absolute path, size, modification time and
// a hash of the first and last 64 KiB; one that does not fit is made again.
// Every part read is checked against its own hash first: a damaged index is
// never trusted (Damaged is thrown, and the caller makes it again).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CFile;

class CatalogueIndex {
 public:
  static constexpr uint32_t kNoParent = UINT32_MAX;

  class Damaged : public std::runtime_error {
   public:
    Damaged() : std::runtime_error("the index is damaged") {}
  };

  ~CatalogueIndex();

  uint64_t NodeCount() const { return m_nNodes; }
  // Calls found with each node whose lower-cased name holds one of the texts
  // (all nodes for a text under three bytes), in pre-order, until it returns
  // false. Throws Damaged.
  void ForEachCandidate(const std::vector<std::string>& texts,
                        const std::function<bool(uint32_t)>& found);
  uint32_t Parent(uint32_t node);
  uint64_t RecordOffset(uint32_t node);
  // The lower-cased name as stored (a null byte in it stored as 0x01).
  std::string_view LowerName(uint32_t node);

  // The index of a catalogue: loaded when it fits the catalogue, else built
  // (atomically) and loaded. Null when the catalogue cannot have one (out of
  // tree order, cut short, over 4 G nodes: it is searched by streaming) or
  // cannot be read; error then says why, or stays empty. progress is called
  // once when building takes over a second.
  static std::unique_ptr<CatalogueIndex> Open(const std::string& catalogue,
                                              const std::string& cacheFolder,
                                              const std::function<void()>& progress,
                                              std::string& error);
  // Where Open keeps the index of a catalogue.
  static std::string IndexPath(const std::string& catalogue, const std::string& cacheFolder);
  // Makes every hash of an index file's bytes fit them again, where the
  // parts they cover lie within the file: after a change, what stands
  // behind the hashes can then be tried on reading (the fuzzer does).
  static void RehashImage(std::string& image);

 private:
  struct Key;
  struct Block {
    std::vector<uint32_t> parents;
    std::vector<uint64_t> offsets;
    std::vector<uint32_t> nameStarts;  // into bytes; one more than nodes: the end
    std::string bytes;                 // the block as stored (checked)
  };

  CatalogueIndex();
  static std::optional<Key> ReadKey(const std::string& catalogue, std::string& error);
  static std::unique_ptr<CatalogueIndex> Load(const std::string& file, const Key& key);
  static bool Build(const std::string& catalogue, const std::string& file, const Key& key,
                    const std::function<void()>& progress);
  // Reads size bytes at offset that must hash to checksum, into bytes.
  void ReadChecked(uint64_t offset, size_t size, uint64_t checksum, std::string& bytes);
  // Copies size bytes at offset into out, through a read-ahead buffer:
  // blocks are read in ascending order, mostly close together.
  void ReadAhead(uint64_t offset, size_t size, char* out);
  std::vector<uint8_t> Row(uint32_t row);
  const Block& GetBlock(uint32_t block);

  std::unique_ptr<CFile> m_file;
  uint64_t m_nNodes = 0;
  uint32_t m_nBlocks = 0;
  uint64_t m_nRowsAt = 0;
  std::vector<uint64_t> m_directory;   // per block: where, bytes, checksum
  std::map<uint32_t, Block> m_blocks;  // the blocks read lately
  Block m_spare;                       // the last block let go, its memory kept
  std::string m_ahead;                 // the bytes read ahead: m_nAheadBytes of them,
  uint64_t m_nAheadAt = 0;             // from here in the file
  size_t m_nAheadBytes = 0;
  uint64_t m_nReadSpan = 0;  // bytes worth reading ahead from the next block asked for
};
