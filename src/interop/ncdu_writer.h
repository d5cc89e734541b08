// Writes ncdu's JSON export format (major version 1, minor 2, as ncdu 1.16+
// and 2.x write it), one entry at a time: a folder is an array holding its
// own info object and then its entries; a file is an info object. Names go
// out as their bytes, with the quote, the backslash and the control
// characters escaped as ncdu escapes them, so names that are not UTF-8 pass
// through unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct NcduEntry {
  std::string_view name;
  int64_t size = 0;              // apparent size (asize)
  int64_t diskUsage = 0;         // dsize
  std::optional<int64_t> mtime;  // seconds since 1970, UTC
  std::optional<uint32_t> mode;  // the Unix type and permission bits
  bool notRegular = false;       // a link, a device, a pipe or a socket
  bool readError = false;        // a folder that could not be read
};

class NcduWriter {
 public:
  // Text is appended to out; the caller writes it out whenever it likes.
  explicit NcduWriter(std::string& out) : m_out(out) {}

  // The opening bracket, the version and the metadata.
  void Begin(std::string_view program, std::string_view version, int64_t timestamp);
  // A folder's array and info object; its entries follow until CloseFolder.
  void OpenFolder(const NcduEntry& folder);
  void CloseFolder();
  void File(const NcduEntry& file);
  // Closes the outermost array; every folder must be closed.
  void End();

 private:
  void Separate();
  void Info(const NcduEntry& entry, bool isFile);

  std::string& m_out;
  bool m_bFirstInFolder = true;
};

// Appends text as a JSON string as ncdu writes it: bytes kept as they are,
// the quote, the backslash and control characters escaped.
void AppendNcduString(std::string_view text, std::string& out);
