#include "search/catalogue_index.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "platform/cp1252.h"
#include "platform/utf8_path.h"
#include "search/catalogue_nodes.h"
#include "search/fast_hash.h"
#include "search/query.h"

namespace {

// The layout, in this machine's byte order (the cache is the machine's own):
//   header: magic, then eight 64-bit fields (below)
//   the catalogue's absolute path
//   parents: 32-bit node number per node (kNoParent for a top node)
//   offsets: 32-bit record start per node
//   block starts: 32-bit offset into the names of every 64th node's name
//   names: each node's lower-cased name followed by a null byte
constexpr char kMagic[8] = {'Z', 'T', 'R', 'I', 'D', 'X', '1', '\n'};
enum HeaderField { kSize, kMtime, kEndsHash, kNodes, kNameBytes, kPathBytes, kChecksum, kFields };
constexpr size_t kHeaderBytes = sizeof kMagic + kFields * 8;
constexpr uint32_t kBlock = 64;
constexpr size_t kKeyBytes = 64 * 1024;

uint32_t GetU32(const unsigned char* at) {
  uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

void PutU32(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

}  // namespace

struct CatalogueIndex::Key {
  std::string path;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint64_t endsHash = 0;
};

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
    std::string ends(std::min<uint64_t>(key.size, 2 * kKeyBytes), '\0');
    const size_t head = std::min<size_t>(ends.size(), kKeyBytes);
    file.Read(ends.data(), head);
    if (ends.size() > head) {
      file.Seek(key.size - (ends.size() - head));
      file.Read(ends.data() + head, ends.size() - head);
    }
    key.endsHash = FastHash(ends.data(), ends.size());
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
  std::string& bytes = index->m_bytes;
  try {
    CFile file;
    file.OpenRead(path);
    const uint64_t length = file.GetRemainingLength().value_or(0);
    if (length < kHeaderBytes || length > (uint64_t{1} << 40)) return nullptr;
    bytes.resize(length);
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;  // no index yet, or one that cannot be read: made again
  }
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return nullptr;
  uint64_t field[kFields];
  std::memcpy(field, bytes.data() + sizeof kMagic, sizeof field);
  const uint64_t nodes = field[kNodes];
  if (field[kSize] != key.size || static_cast<int64_t>(field[kMtime]) != key.mtime ||
      field[kEndsHash] != key.endsHash || nodes >= kNoParent)
    return nullptr;
  const uint64_t blocks = (nodes + kBlock - 1) / kBlock;
  const uint64_t expected =
      kHeaderBytes + field[kPathBytes] + 8 * nodes + 4 * blocks + field[kNameBytes];
  if (field[kPathBytes] > bytes.size() || field[kNameBytes] > bytes.size() ||
      nodes > bytes.size() || expected != bytes.size())
    return nullptr;
  const char* body = bytes.data() + kHeaderBytes;
  if (FastHash(body, bytes.size() - kHeaderBytes) != field[kChecksum]) return nullptr;
  if (std::string_view(body, field[kPathBytes]) != key.path) return nullptr;
  const auto* at = reinterpret_cast<const unsigned char*>(body + field[kPathBytes]);
  index->m_nNodes = nodes;
  index->m_parents = at;
  index->m_offsets = at + 4 * nodes;
  index->m_blockStarts = at + 8 * nodes;
  index->m_names = std::string_view(reinterpret_cast<const char*>(at + 8 * nodes + 4 * blocks),
                                    field[kNameBytes]);
  return index;
}

bool CatalogueIndex::Build(const std::string& catalogue, const std::string& path, const Key& key,
                           const std::function<void()>& progress) {
  std::string parents, offsets, blockStarts, names, shown, lowered;
  std::vector<uint32_t> lastAtDepth;
  bool fits = true;
  const auto start = std::chrono::steady_clock::now();
  bool told = false;
  const CatalogueWalkEnd end = WalkCatalogue(catalogue, [&](const CatalogueNode& visited) {
    const StreamedNode& node = *visited.node;
    if (visited.offset > UINT32_MAX || visited.index >= kNoParent - 1 ||
        names.size() > UINT32_MAX) {
      fits = false;
      return false;
    }
    const auto index = static_cast<uint32_t>(visited.index);
    const auto depth = static_cast<size_t>(node.depth);
    if (lastAtDepth.size() <= depth) lastAtDepth.resize(depth + 1);
    lastAtDepth[depth] = index;
    PutU32(parents, depth == 0 ? kNoParent : lastAtDepth[depth - 1]);
    PutU32(offsets, static_cast<uint32_t>(visited.offset));
    if (index % kBlock == 0) PutU32(blockStarts, static_cast<uint32_t>(names.size()));
    shown.clear();
    AppendDisplayText(NodeStoredName(node, node.depth), shown);
    NodeNameLowerCase(shown, lowered);
    std::replace(lowered.begin(), lowered.end(), '\0', '\1');
    names += lowered;
    names += '\0';
    if (!told && (index & 0xFFFF) == 0 &&
        std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
      told = true;
      if (progress) progress();
    }
    return true;
  });
  if (!fits || !end.complete || !end.streamed) return false;

  const uint64_t nodes = parents.size() / 4;
  std::string body = key.path + parents + offsets + blockStarts + names;
  uint64_t field[kFields] = {};
  field[kSize] = key.size;
  field[kMtime] = static_cast<uint64_t>(key.mtime);
  field[kEndsHash] = key.endsHash;
  field[kNodes] = nodes;
  field[kNameBytes] = names.size();
  field[kPathBytes] = key.path.size();
  field[kChecksum] = FastHash(body.data(), body.size());
  try {
    std::error_code error;
    std::filesystem::create_directories(Utf8Path(path).parent_path(), error);
    CAtomicFileWriter writer(path);
    writer.GetFile().Write(kMagic, sizeof kMagic);
    writer.GetFile().Write(field, sizeof field);
    writer.GetFile().Write(body.data(), body.size());
    writer.Commit();
  } catch (const std::exception&) {
    return false;  // a cache that cannot be written: the search streams
  }
  return true;
}

uint32_t CatalogueIndex::Parent(uint32_t node) const {
  return GetU32(m_parents + 4 * size_t{node});
}

uint64_t CatalogueIndex::RecordOffset(uint32_t node) const {
  return GetU32(m_offsets + 4 * size_t{node});
}

uint32_t CatalogueIndex::NodeAt(size_t blobOffset) const {
  const size_t blocks = (m_nNodes + kBlock - 1) / kBlock;
  size_t lo = 0, hi = blocks;  // the last block starting at or before blobOffset
  while (hi - lo > 1) {
    const size_t mid = (lo + hi) / 2;
    if (GetU32(m_blockStarts + 4 * mid) <= blobOffset)
      lo = mid;
    else
      hi = mid;
  }
  size_t at = GetU32(m_blockStarts + 4 * lo);
  uint32_t node = static_cast<uint32_t>(lo * kBlock);
  while (true) {
    const void* nul = std::memchr(m_names.data() + at, '\0', blobOffset - at);
    if (nul == nullptr) return node;
    at = static_cast<size_t>(static_cast<const char*>(nul) - m_names.data()) + 1;
    ++node;
  }
}

std::string_view CatalogueIndex::LowerName(uint32_t node) const {
  size_t at = GetU32(m_blockStarts + 4 * (node / kBlock));
  for (uint32_t n = node - node % kBlock; n < node; ++n) at = m_names.find('\0', at) + 1;
  const size_t end = m_names.find('\0', at);
  return m_names.substr(at, end - at);
}

std::vector<uint32_t> CatalogueIndex::Candidates(const std::vector<std::string>& texts) const {
  std::vector<uint32_t> found;
  for (const std::string& text : texts) {
    size_t from = 0;
    while (true) {
      const size_t hit = m_names.find(text, from);
      if (hit == std::string_view::npos) break;
      found.push_back(NodeAt(hit));
      from = m_names.find('\0', hit + text.size()) + 1;  // on to the next name
      if (from == 0) break;
    }
  }
  if (texts.size() > 1) {
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
  }
  return found;
}
