// A file of the operating system, reached through a POSIX descriptor.
// Every failure throws CFileException with the cause a user would expect and
// the path the user gave, so the command can show one message for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

class CFile {
 public:
  CFile() = default;
  ~CFile();  // closes without reporting; call Close() to hear about failures
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  void OpenRead(const std::string& path);
  // Writes over an existing file, cutting it to nothing first. Meant for
  // targets that must not be replaced: devices, pipes.
  void OpenWriteInPlace(const std::string& path);
  // Takes over an open descriptor. Failures will name displayPath, which may
  // differ from the descriptor's own file (a temporary one, say).
  void Attach(int fd, std::string displayPath);

  // Reads up to n bytes; returns fewer only at the end of the file.
  size_t Read(void* buffer, size_t n);
  // Moves the read position of a regular file to `position` bytes from its
  // start (a search reads single records of a catalogue there).
  void Seek(uint64_t position);
  uint64_t GetPosition() const { return m_nPosition; }
  // Writes all n bytes or throws: a full disk shows as the system's refusal
  // of the rest of a write it took only in part.
  void Write(const void* buffer, size_t n);
  void Sync();
  void Close();
  void Abort() noexcept;  // closes, ignoring failures

  bool IsOpen() const { return m_hFile >= 0; }
  int GetHandle() const { return m_hFile; }
  bool IsRegular() const { return m_bRegular; }
  const std::string& GetFilePath() const { return m_strFileName; }
  // The name failures are reported under, when it differs from the opened one.
  void SetFilePath(std::string path) { m_strFileName = std::move(path); }

  // For a regular file, the bytes between the read position and the end as
  // the file is now; nothing for a pipe or a device, whose end is unknown.
  std::optional<uint64_t> GetRemainingLength() const;

 private:
  [[noreturn]] void ThrowOsError(int osError) const;

  int m_hFile = -1;
  std::string m_strFileName;
  uint64_t m_nPosition = 0;  // our own count, so no seek is needed to ask
  bool m_bRegular = false;
};
