// Tree files written byte by byte, for catalogues a scan cannot make: labels
// in Windows-1252, levels beyond the limit, chosen record values.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace cli_test {

struct RawData {
  uint32_t attributes = 0x20;
  int64_t size = 0;
  uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
};

class TreeFileBytes {
 public:
  // One node record. A name of up to 254 bytes (one length byte).
  TreeFileBytes& Record(const std::string& name, int32_t level, int image = 1,
                        int selectedImage = 2, int children = 0, uint32_t stateIndex = 1,
                        const RawData* data = nullptr) {
    m_bytes += static_cast<char>(name.size());
    m_bytes += name;
    U32(static_cast<uint32_t>(level));
    U32(0x6F);              // mask
    U32(0);                 // hItem
    U32(stateIndex << 12);  // state
    U32(0xF000);            // stateMask
    U32(0);                 // pszText
    U32(0);                 // cchTextMax
    U32(static_cast<uint32_t>(image));
    U32(static_cast<uint32_t>(selectedImage));
    U32(static_cast<uint32_t>(children));
    U32(data ? 1 : 0);  // lParam: a data part follows
    if (data) {
      U32(data->attributes);
      U64(static_cast<uint64_t>(data->size));
      U64(data->creation);
      U64(data->lastAccess);
      U64(data->lastWrite);
    }
    return *this;
  }

  const std::string& Bytes() const { return m_bytes; }
  void WriteTo(const std::string& path) const { std::ofstream(path, std::ios::binary) << m_bytes; }

 private:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes += static_cast<char>(v >> (8 * i));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) m_bytes += static_cast<char>(v >> (8 * i));
  }

  std::string m_bytes;
};

}  // namespace cli_test
