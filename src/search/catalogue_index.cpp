#include "search/catalogue_index.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "files/file.h"
#include "platform/cp1252.h"
#include "platform/utf8_path.h"
#include "search/catalogue_nodes.h"
#include "search/fast_hash.h"
#include "search/query.h"

namespace {

// The layout, in this machine's byte order (the cache is the machine's own):
//   magic; the header fields below, 64 bits each
//   the catalogue's absolute path
//   the blocks: the first record's offset; the node count; per node the
//     distance back to its parent (0: none) and its record's length, as
//     varints; the names, each followed by a null byte
//   the directory: per block its place, length and hash (64 bits each)
//   the rows: per trigram bucket a bit per block, then the row's hash
// The header's hash covers its fields, the path and the directory.
constexpr char kMagic[8] = {'Z', 'T', 'R', 'I', 'D', 'X', '2', '\n'};
enum HeaderField {
  kSize,
  kMtime,
  kEndsHash,
  kNodes,
  kBlocks,
  kPathBytes,
  kDirectoryAt,
  kChecksum,
  kFields
};
constexpr size_t kHeaderBytes = sizeof kMagic + kFields * 8;
constexpr uint32_t kBlockNodes = 512;
constexpr uint32_t kRows = 8192;
constexpr size_t kKeyBytes = 64 * 1024;
constexpr size_t kCachedBlocks = 64;
// Under the size from which the C library hands freed memory straight back
// to the system, so the buffer is reused from one catalogue to the next.
constexpr uint64_t kReadAheadBytes = 120 * 1024;

size_t RowBytes(uint32_t blocks) { return (blocks + 7) / 8; }

uint32_t TrigramRow(const unsigned char* at) {
  const uint32_t run = (uint32_t{at[0]} << 16) | (uint32_t{at[1]} << 8) | at[2];
  return (run * 2654435761u) >> (32 - 13);
}

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out += static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  out += static_cast<char>(v);
}

uint64_t GetVarint(std::string_view bytes, size_t& at) {
  uint64_t v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at >= bytes.size()) throw CatalogueIndex::Damaged();
    const auto b = static_cast<unsigned char>(bytes[at++]);
    v |= uint64_t{b & 0x7Fu} << shift;
    if (b < 0x80) return v;
  }
  throw CatalogueIndex::Damaged();
}

template <class T>
void Put(std::string& out, T v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
T Get(std::string_view bytes, size_t at) {
  if (at + sizeof(T) > bytes.size()) throw CatalogueIndex::Damaged();
  T v;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

// An index written under a name of its own, then renamed into place: a
// reader sees the old index or the new one whole, and of two builders the
// last rename wins with an index as good as the other's. No sync: an index
// torn by a crash fails its hashes and is made again.
class IndexWriter {
 public:
  explicit IndexWriter(const std::string& path) : m_target(Utf8Path(path)) {
    std::error_code error;
    std::filesystem::create_directories(m_target.parent_path(), error);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", std::random_device()());
    m_temp = m_target;
    m_temp += suffix;
    m_out.open(m_temp, std::ios::binary);
  }
  ~IndexWriter() {
    if (m_bDone) return;
    m_out.close();
    std::error_code error;
    std::filesystem::remove(m_temp, error);
  }

  uint64_t Position() const { return m_nWritten; }
  void Write(std::string_view bytes) {
    m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    m_nWritten += bytes.size();
  }
  // Writes the header over the start, then puts the file in place.
  bool Commit(std::string_view header) {
    m_out.seekp(0);
    m_out.write(header.data(), static_cast<std::streamsize>(header.size()));
    m_out.close();
    if (!m_out) return false;
    std::error_code error;
    std::filesystem::rename(m_temp, m_target, error);
    if (error) {  // a system that does not rename over a file
      std::filesystem::remove(m_target, error);
      std::filesystem::rename(m_temp, m_target, error);
    }
    m_bDone = !error;
    return m_bDone;
  }

 private:
  std::filesystem::path m_target, m_temp;
  std::ofstream m_out;
  uint64_t m_nWritten = 0;
  bool m_bDone = false;
};

}  // namespace

struct CatalogueIndex::Key {
  std::string path;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint64_t endsHash = 0;
};

CatalogueIndex::CatalogueIndex() : m_file(std::make_unique<CFile>()) {}
CatalogueIndex::~CatalogueIndex() = default;

std::string CatalogueIndex::IndexPath(const std::string& catalogue,
                                      const std::string& cacheFolder) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(Utf8Path(catalogue), error).lexically_normal();
  const std::string key = Utf8Text(absolute);
  char name[40];
  std::snprintf(name, sizeof name, "%016llx.index",
                static_cast<unsigned long long>(FastHash(key.data(), key.size())));
  return cacheFolder + "/ZTR/" + name;
}

std::optional<CatalogueIndex::Key> CatalogueIndex::ReadKey(const std::string& catalogue,
                                                           std::string& error) {
  namespace fs = std::filesystem;
  Key key;
  std::error_code fsError;
  key.path = Utf8Text(fs::absolute(Utf8Path(catalogue), fsError).lexically_normal());
  const auto mtime = fs::last_write_time(Utf8Path(catalogue), fsError);
  if (fsError) {
    error = fsError.message();
    return std::nullopt;
  }
  key.mtime = static_cast<int64_t>(mtime.time_since_epoch().count());
  try {
    CFile file;
    file.OpenRead(catalogue);
    if (!file.IsRegular()) return std::nullopt;  // a pipe or a device has no index
    key.size = file.GetRemainingLength().value_or(0);
    // The head and the tail (the bytes after the head, up to 64 KiB), each
    // hashed in a buffer small enough to be reused from the heap.
    std::string piece(static_cast<size_t>(std::min<uint64_t>(key.size, kKeyBytes)), '\0');
    file.Read(piece.data(), piece.size());
    key.endsHash = FastHash(piece.data(), piece.size());
    const uint64_t tail = std::min<uint64_t>(key.size - piece.size(), kKeyBytes);
    piece.resize(static_cast<size_t>(tail));
    file.Seek(key.size - tail);
    file.Read(piece.data(), piece.size());
    key.endsHash ^= FastHashMix(FastHash(piece.data(), piece.size()));
  } catch (const std::exception& failure) {
    error = ReadFailureText(failure);
    return std::nullopt;
  }
  return key;
}

std::unique_ptr<CatalogueIndex> CatalogueIndex::Open(const std::string& catalogue,
                                                     const std::string& cacheFolder,
                                                     const std::function<void()>& progress,
                                                     std::string& error) {
  const auto key = ReadKey(catalogue, error);
  if (!key || cacheFolder.empty()) return nullptr;
  const std::string file = IndexPath(catalogue, cacheFolder);
  if (auto index = Load(file, *key)) return index;
  if (!Build(catalogue, file, *key, progress)) return nullptr;
  return Load(file, *key);
}

std::unique_ptr<CatalogueIndex> CatalogueIndex::Load(const std::string& path, const Key& key) {
  auto index = std::unique_ptr<CatalogueIndex>(new CatalogueIndex);
  try {
    CFile& file = *index->m_file;
    file.OpenRead(path);
    const uint64_t length = file.GetRemainingLength().value_or(0);
    char magic[sizeof kMagic];
    uint64_t field[kFields];
    if (length < kHeaderBytes || file.Read(magic, sizeof magic) != sizeof magic ||
        std::memcmp(magic, kMagic, sizeof kMagic) != 0 ||
        file.Read(field, sizeof field) != sizeof field)
      return nullptr;
    const uint64_t blocks = field[kBlocks];
    const uint64_t directoryAt = field[kDirectoryAt];
    if (field[kSize] != key.size || static_cast<int64_t>(field[kMtime]) != key.mtime ||
        field[kEndsHash] != key.endsHash || field[kPathBytes] != key.path.size() ||
        field[kNodes] >= kNoParent || blocks != (field[kNodes] + kBlockNodes - 1) / kBlockNodes ||
        directoryAt > length || 24 * blocks > length - directoryAt)
      return nullptr;
    std::string hashed(reinterpret_cast<const char*>(field), 8 * kChecksum);
    const size_t pathAt = hashed.size();
    hashed.resize(pathAt + key.path.size() + 24 * blocks);
    if (file.Read(hashed.data() + pathAt, key.path.size()) != key.path.size()) return nullptr;
    file.Seek(directoryAt);
    const size_t directoryBytes = static_cast<size_t>(24 * blocks);
    char* directory = hashed.data() + pathAt + key.path.size();
    if (file.Read(directory, directoryBytes) != directoryBytes) return nullptr;
    if (FastHash(hashed.data(), hashed.size()) != field[kChecksum] ||
        hashed.compare(pathAt, key.path.size(), key.path) != 0)
      return nullptr;
    index->m_nNodes = field[kNodes];
    index->m_nBlocks = static_cast<uint32_t>(blocks);
    index->m_directory.resize(3 * blocks);
    std::memcpy(index->m_directory.data(), directory, directoryBytes);
    index->m_nRowsAt = directoryAt + directoryBytes;
    if (index->m_nRowsAt + kRows * (RowBytes(index->m_nBlocks) + 8) != length) return nullptr;
  } catch (const std::exception&) {
    return nullptr;  // no index yet, or one that cannot be read: made again
  }
  return index;
}

bool CatalogueIndex::Build(const std::string& catalogue, const std::string& path, const Key& key,
                           const std::function<void()>& progress) {
  IndexWriter writer(path);
  std::string body, heads, names, shown, lowered;
  std::vector<uint64_t> directory;
  // The rows the current block sets, a bit each; then, for each run of
  // eight blocks, a byte per row (the rows' bytes, held column by column).
  std::array<uint64_t, kRows / 64> blockRows{};
  std::vector<uint8_t> columns;
  // The header, written at the end; the path after it.
  writer.Write(std::string(kHeaderBytes, '\0'));
  writer.Write(key.path);
  std::vector<uint32_t> lastAtDepth;
  uint64_t firstOffset = 0, lastOffset = 0;
  uint32_t inBlock = 0;
  uint64_t nodeCount = 0;
  bool fits = true;
  const auto start = std::chrono::steady_clock::now();
  bool told = false;

  const auto closeBlock = [&](uint64_t endOffset) {
    if (inBlock == 0) return;
    PutVarint(heads, endOffset - lastOffset);  // the last record's length
    const uint32_t block = static_cast<uint32_t>(directory.size() / 3);
    body.clear();
    Put<uint64_t>(body, firstOffset);
    Put<uint32_t>(body, inBlock);
    body += heads;
    body += names;
    directory.push_back(writer.Position());
    directory.push_back(body.size());
    directory.push_back(FastHash(body.data(), body.size()));
    writer.Write(body);
    if (block % 8 == 0) columns.resize(columns.size() + kRows);
    uint8_t* column = columns.data() + columns.size() - kRows;
    for (size_t w = 0; w < blockRows.size(); ++w) {
      for (uint64_t bits = blockRows[w]; bits != 0; bits &= bits - 1)
        column[64 * w + static_cast<size_t>(std::countr_zero(bits))] |=
            static_cast<uint8_t>(1u << (block % 8));
      blockRows[w] = 0;
    }
    heads.clear();
    names.clear();
    inBlock = 0;
  };

  const CatalogueWalkEnd end = WalkCatalogue(catalogue, [&](const CatalogueNode& visited) {
    const StreamedNode& node = *visited.node;
    if (visited.index >= kNoParent - 1) {
      fits = false;
      return false;
    }
    if (inBlock == kBlockNodes) closeBlock(visited.offset);
    const auto index = static_cast<uint32_t>(visited.index);
    if (inBlock == 0) {
      firstOffset = visited.offset;
    } else {
      PutVarint(heads, visited.offset - lastOffset);  // the record before this one
    }
    lastOffset = visited.offset;
    const auto depth = static_cast<size_t>(node.depth);
    if (lastAtDepth.size() <= depth) lastAtDepth.resize(depth + 1);
    lastAtDepth[depth] = index;
    PutVarint(heads, depth == 0 ? 0 : index - lastAtDepth[depth - 1]);
    shown.clear();
    AppendDisplayText(NodeStoredName(node, node.depth), shown);
    NodeNameLowerCase(shown, lowered);
    std::replace(lowered.begin(), lowered.end(), '\0', '\1');
    const auto* bytes = reinterpret_cast<const unsigned char*>(lowered.data());
    for (size_t i = 0; i + 3 <= lowered.size(); ++i) {
      const uint32_t r = TrigramRow(bytes + i);
      blockRows[r / 64] |= uint64_t{1} << (r % 64);
    }
    names += lowered;
    names += '\0';
    ++inBlock;
    ++nodeCount;
    if (!told && (index & 0xFFFF) == 0 &&
        std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
      told = true;
      if (progress) progress();
    }
    return true;
  });
  if (!fits || !end.complete || !end.streamed) return false;
  closeBlock(key.size);

  const auto blockCount = static_cast<uint32_t>(directory.size() / 3);
  uint64_t field[kFields] = {};
  field[kSize] = key.size;
  field[kMtime] = static_cast<uint64_t>(key.mtime);
  field[kEndsHash] = key.endsHash;
  field[kNodes] = nodeCount;
  field[kBlocks] = blockCount;
  field[kPathBytes] = key.path.size();
  field[kDirectoryAt] = writer.Position();
  const std::string_view directoryBytes(reinterpret_cast<const char*>(directory.data()),
                                        8 * directory.size());
  writer.Write(directoryBytes);
  std::string hashed(reinterpret_cast<const char*>(field), 8 * kChecksum);
  hashed += key.path;
  hashed += directoryBytes;
  field[kChecksum] = FastHash(hashed.data(), hashed.size());
  const size_t rowBytes = RowBytes(blockCount);
  std::vector<uint8_t> row(rowBytes + 8);
  for (size_t r = 0; r < kRows; ++r) {
    for (size_t b = 0; b < rowBytes; ++b) row[b] = columns[b * kRows + r];
    const uint64_t checksum = FastHash(row.data(), rowBytes);
    std::memcpy(row.data() + rowBytes, &checksum, 8);
    writer.Write(std::string_view(reinterpret_cast<const char*>(row.data()), row.size()));
  }
  std::string header(kMagic, sizeof kMagic);
  header.append(reinterpret_cast<const char*>(field), sizeof field);
  return writer.Commit(header);
}

void CatalogueIndex::RehashImage(std::string& image) {
  if (image.size() < kHeaderBytes) return;
  uint64_t field[kFields];
  std::memcpy(field, image.data() + sizeof kMagic, sizeof field);
  const uint64_t size = image.size();
  const uint64_t blocks = field[kBlocks], directoryAt = field[kDirectoryAt];
  const uint64_t pathBytes = field[kPathBytes];
  if (pathBytes > size - kHeaderBytes || directoryAt > size || blocks > (size - directoryAt) / 24)
    return;
  char* directory = image.data() + directoryAt;
  for (uint64_t b = 0; b < blocks; ++b) {
    uint64_t entry[3];
    std::memcpy(entry, directory + 24 * b, sizeof entry);
    if (entry[0] > size || entry[1] > size - entry[0]) continue;
    entry[2] = FastHash(image.data() + entry[0], static_cast<size_t>(entry[1]));
    std::memcpy(directory + 24 * b, entry, sizeof entry);
  }
  const uint64_t rowBytes = RowBytes(static_cast<uint32_t>(std::min<uint64_t>(blocks, UINT32_MAX)));
  for (uint64_t r = 0, at = directoryAt + 24 * blocks; r < kRows; ++r, at += rowBytes + 8) {
    if (rowBytes + 8 > size - std::min(at, size)) break;
    const uint64_t checksum = FastHash(image.data() + at, static_cast<size_t>(rowBytes));
    std::memcpy(image.data() + at + rowBytes, &checksum, 8);
  }
  std::string hashed(reinterpret_cast<const char*>(field), 8 * kChecksum);
  hashed.append(image, kHeaderBytes, static_cast<size_t>(pathBytes));
  hashed.append(directory, static_cast<size_t>(24 * blocks));
  field[kChecksum] = FastHash(hashed.data(), hashed.size());
  std::memcpy(image.data() + sizeof kMagic, field, sizeof field);
}

void CatalogueIndex::ReadAhead(uint64_t offset, size_t size, char* out) {
  if (offset < m_nAheadAt || offset - m_nAheadAt > m_nAheadBytes ||
      size > m_nAheadBytes - (offset - m_nAheadAt)) {
    m_file->Seek(offset);
    const size_t span = static_cast<size_t>(std::min<uint64_t>(m_nReadSpan, kReadAheadBytes));
    if (size >= span) {
      if (m_file->Read(out, size) != size) throw Damaged();
      return;
    }
    m_ahead.resize(span);
    m_nAheadAt = offset;
    m_nAheadBytes = m_file->Read(m_ahead.data(), span);
    if (m_nAheadBytes < size) throw Damaged();
  }
  std::memcpy(out, m_ahead.data() + (offset - m_nAheadAt), size);
}

void CatalogueIndex::ReadChecked(uint64_t offset, size_t size, uint64_t checksum,
                                 std::string& bytes) {
  bytes.resize(size);
  try {
    ReadAhead(offset, size, bytes.data());
  } catch (const Damaged&) {
    throw;
  } catch (const std::exception&) {
    throw Damaged();
  }
  if (FastHash(bytes.data(), size) != checksum) throw Damaged();
}

std::vector<uint8_t> CatalogueIndex::Row(uint32_t row) {
  const size_t rowBytes = RowBytes(m_nBlocks);
  const uint64_t at = m_nRowsAt + uint64_t{row} * (rowBytes + 8);
  uint64_t checksum = 0;
  try {
    m_file->Seek(at + rowBytes);
    if (m_file->Read(&checksum, 8) != 8) throw Damaged();
  } catch (const std::exception&) {
    throw Damaged();
  }
  std::string bytes;
  ReadChecked(at, rowBytes, checksum, bytes);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

const CatalogueIndex::Block& CatalogueIndex::GetBlock(uint32_t number) {
  if (const auto it = m_blocks.find(number); it != m_blocks.end()) return it->second;
  if (number >= m_nBlocks) throw Damaged();
  // Blocks are asked for in pre-order, each block's parents before it: the
  // oldest one goes first, and its memory serves the next.
  if (m_blocks.size() >= kCachedBlocks) {
    m_spare = std::move(m_blocks.begin()->second);
    m_blocks.erase(m_blocks.begin());
  }
  Block block = std::move(m_spare);
  block.parents.clear();
  block.offsets.clear();
  block.nameStarts.clear();
  const uint64_t* entry = &m_directory[3 * size_t{number}];
  if (entry[1] > (uint64_t{1} << 32)) throw Damaged();
  ReadChecked(entry[0], static_cast<size_t>(entry[1]), entry[2], block.bytes);
  const std::string_view bytes = block.bytes;
  uint64_t offset = Get<uint64_t>(bytes, 0);
  const uint32_t count = Get<uint32_t>(bytes, 8);
  const uint32_t first = number * kBlockNodes;
  if (count == 0 || count > kBlockNodes || first + count > m_nNodes) throw Damaged();
  size_t at = 12;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t back = GetVarint(bytes, at);
    if (back > first + i) throw Damaged();
    block.parents.push_back(back == 0 ? kNoParent : static_cast<uint32_t>(first + i - back));
    block.offsets.push_back(offset);
    offset += GetVarint(bytes, at);
  }
  for (size_t from = at; block.nameStarts.size() < count;) {
    block.nameStarts.push_back(static_cast<uint32_t>(from));
    from = bytes.find('\0', from);
    if (from == std::string::npos) throw Damaged();
    ++from;
  }
  block.nameStarts.push_back(static_cast<uint32_t>(bytes.size()));
  return m_blocks.emplace(number, std::move(block)).first->second;
}

uint32_t CatalogueIndex::Parent(uint32_t node) {
  return GetBlock(node / kBlockNodes).parents[node % kBlockNodes];
}

uint64_t CatalogueIndex::RecordOffset(uint32_t node) {
  return GetBlock(node / kBlockNodes).offsets[node % kBlockNodes];
}

std::string_view CatalogueIndex::LowerName(uint32_t node) {
  const Block& block = GetBlock(node / kBlockNodes);
  const uint32_t i = node % kBlockNodes;
  return std::string_view(block.bytes)
      .substr(block.nameStarts[i], block.nameStarts[i + 1] - block.nameStarts[i] - 1);
}

void CatalogueIndex::ForEachCandidate(const std::vector<std::string>& texts,
                                      const std::function<bool(uint32_t)>& found) {
  // The blocks that may hold one of the texts: for each text, those whose
  // rows of all its trigrams are set.
  const size_t rowBytes = RowBytes(m_nBlocks);
  std::vector<uint8_t> blocks(rowBytes, 0);
  for (const std::string& text : texts) {
    std::vector<uint8_t> all(rowBytes, 0xFF);
    std::vector<uint32_t> used;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i + 3 <= text.size(); ++i) used.push_back(TrigramRow(bytes + i));
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    for (const uint32_t r : used) {
      const std::vector<uint8_t> row = Row(r);
      for (size_t b = 0; b < rowBytes; ++b) all[b] &= row[b];
    }
    for (size_t b = 0; b < rowBytes; ++b) blocks[b] |= all[b];
  }
  std::vector<uint32_t> hits;
  const auto wanted = [&](uint32_t b) { return (blocks[b / 8] >> (b % 8) & 1) != 0; };
  for (uint32_t b = 0; b < m_nBlocks; ++b) {
    if (!wanted(b)) continue;
    // The blocks wanted next to this one are read with it, in one go.
    m_nReadSpan = 0;
    for (uint32_t e = b; e < m_nBlocks && wanted(e); ++e) {
      const uint64_t end = m_directory[3 * size_t{e}] + m_directory[3 * size_t{e} + 1];
      if (end < m_directory[3 * size_t{b}] || end - m_directory[3 * size_t{b}] > kReadAheadBytes)
        break;
      m_nReadSpan = end - m_directory[3 * size_t{b}];
    }
    const Block& block = GetBlock(b);
    m_nReadSpan = 0;
    const std::string_view names = block.bytes;
    const size_t namesAt = block.nameStarts.front();
    hits.clear();
    for (const std::string& text : texts) {
      for (size_t from = namesAt;;) {
        const size_t hit = names.find(text, from);
        if (hit == std::string_view::npos) break;
        const auto next = std::upper_bound(block.nameStarts.begin(), block.nameStarts.end(), hit);
        hits.push_back(static_cast<uint32_t>(next - block.nameStarts.begin() - 1));
        from = *next;  // on to the next name
      }
    }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    for (const uint32_t i : hits)
      if (!found(b * kBlockNodes + i)) return;
  }
}
