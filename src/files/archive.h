// The byte stream of tree files: little-endian integers, length-prefixed
// strings and raw bytes, through a buffer over a CFile (4096 bytes unless
// the owner asks for more), in one direction (store or load) for the
// stream's whole life.
//
// Loading a catalogue of a million nodes goes through here several times per
// node, so the common case of every operation is inline: a pointer compare
// and a memcpy. Only refilling or flushing the buffer calls out.
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

class CFile;

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  static constexpr size_t kBufferSize = 4096;
  // For a reader that goes through a whole file at memory speed, where 4096
  // bytes a read call would cost a fifth of its time. A read failure part way
  // then loses up to this much of what came before it.
  static constexpr size_t kLargeBufferSize = 64 * 1024;

  // The file must outlive the stream.
  CArchive(CFile& file, Mode mode, size_t bufferSize = kBufferSize);
  // Abandons what is still buffered, so a stream given up after a failure
  // writes nothing more. Close() is what writes it.
  ~CArchive() = default;
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return m_nMode == load; }
  bool IsStoring() const { return m_nMode == store; }
  CFile* GetFile() const { return m_pFile; }

  // Store direction. Write failures throw CFileException naming the file.
  void WriteByte(uint8_t value) { WriteValue(value); }
  void WriteWord(uint16_t value) { WriteValue(value); }
  void WriteDWord(uint32_t value) { WriteValue(value); }
  void WriteQWord(uint64_t value) { WriteValue(value); }
  void WriteInt32(int32_t value) { WriteValue(value); }
  void WriteInt64(int64_t value) { WriteValue(value); }
  // A length prefix of 1, 3 or 7 bytes, then the bytes of text.
  void WriteString(std::string_view text);
  void Write(const void* data, size_t n) {
    assert(IsStoring());
    if (n <= static_cast<size_t>(m_lpBufMax - m_lpBufCur)) {
      if (n != 0) std::memcpy(m_lpBufCur, data, n);
      m_lpBufCur += n;
      return;
    }
    WriteSlow(data, n);
  }

  // Load direction. A fixed-size value or a string that meets the end of the
  // file throws CArchiveException(endOfFile); a fixed-size value then leaves
  // the stream where it was, a string leaves text unspecified. Read failures
  // throw CFileException without a file name.
  uint8_t ReadByte() { return ReadValue<uint8_t>(); }
  uint16_t ReadWord() { return ReadValue<uint16_t>(); }
  uint32_t ReadDWord() { return ReadValue<uint32_t>(); }
  uint64_t ReadQWord() { return ReadValue<uint64_t>(); }
  int32_t ReadInt32() { return ReadValue<int32_t>(); }
  int64_t ReadInt64() { return ReadValue<int64_t>(); }
  // Also accepts the UTF-16 form, converted to UTF-8. A length beyond what
  // the file still holds counts as its end and allocates nothing.
  void ReadString(std::string& text) {
    assert(IsLoading());
    // Most labels are short: a one-byte prefix and text already buffered.
    if (m_lpBufCur < m_lpBufMax && *m_lpBufCur < 0xFF &&
        *m_lpBufCur < static_cast<size_t>(m_lpBufMax - m_lpBufCur)) {
      const size_t n = *m_lpBufCur;
      text.assign(reinterpret_cast<const char*>(m_lpBufCur + 1), Unbounded(n));
      m_lpBufCur += 1 + n;
      return;
    }
    ReadStringSlow(text);
  }
  // Raw bytes: returns fewer than n only at the end of the file, and that
  // end is not reported otherwise.
  size_t Read(void* data, size_t n) {
    assert(IsLoading());
    if (n <= static_cast<size_t>(m_lpBufMax - m_lpBufCur)) {
      if (n != 0) std::memcpy(data, m_lpBufCur, n);
      m_lpBufCur += n;
      return n;
    }
    return ReadSlow(data, n);
  }

  // Whether the file has no byte left to read: a record that starts here is
  // none, while one that meets the end later was cut short.
  bool AtEnd() {
    assert(IsLoading());
    return m_lpBufCur == m_lpBufMax && !Refill();
  }

  // The next n bytes in place when the buffer holds them all, taken from the
  // stream; null otherwise, with nothing taken (Read() then gets them). Valid
  // until the next read.
  const unsigned char* TakeBuffered(size_t n) {
    assert(IsLoading());
    if (n > static_cast<size_t>(m_lpBufMax - m_lpBufCur)) return nullptr;
    const unsigned char* at = m_lpBufCur;
    m_lpBufCur += n;
    return at;
  }

  // Loading: the offset in the file of the next byte to be taken.
  uint64_t GetLoadPosition() const;
  // Loading: goes on from `position` in the file, within the buffer when it
  // still holds that byte, else by moving the file's read position.
  void SeekLoad(uint64_t position);

  // Flushes in the store direction and detaches from the file, which stays
  // open. Only Abort() is allowed after a failure here.
  void Close();
  // Detaches from the file, dropping whatever is buffered.
  void Abort() noexcept;

 private:
  // The same length, with what the compiler knows of its range forgotten.
  // Knowing a length is below 256, GCC copies the bytes with `rep movsq`,
  // which costs several times the library's memcpy for labels of a few dozen
  // bytes (a third of the time ztr-tool find took for a catalogue).
  static size_t Unbounded(size_t n) {
#if defined(__GNUC__)
    asm("" : "+r"(n));
#endif
    return n;
  }

  template <typename T>
  static T SwapToLittleEndian(T value) {
    if constexpr (std::endian::native == std::endian::little || sizeof(T) == 1) {
      return value;
    } else {
      using U = std::make_unsigned_t<T>;
      U in = static_cast<U>(value), out = 0;
      for (size_t i = 0; i < sizeof(T); ++i, in >>= 8)
        out = static_cast<U>((out << 8) | (in & 0xFF));
      return static_cast<T>(out);
    }
  }

  template <typename T>
  void WriteValue(T value) {
    assert(IsStoring());
    if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) < sizeof(T)) FlushBuffer();
    value = SwapToLittleEndian(value);
    std::memcpy(m_lpBufCur, &value, sizeof value);
    m_lpBufCur += sizeof value;
  }

  template <typename T>
  T ReadValue() {
    assert(IsLoading());
    if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) < sizeof(T)) FillAtLeast(sizeof(T));
    T value;
    std::memcpy(&value, m_lpBufCur, sizeof value);
    m_lpBufCur += sizeof value;
    return SwapToLittleEndian(value);
  }

  void FlushBuffer();
  void WriteSlow(const void* data, size_t n);
  void FillAtLeast(size_t n);
  bool Refill();  // false at the end of the file
  size_t ReadSlow(void* data, size_t n);
  size_t ReadFromFile(void* data, size_t n);
  void ReadStringSlow(std::string& text);
  uint64_t ReadStringLength(bool& utf16);
  void ReadBytes(std::string& out, uint64_t n);
  void CheckOpen() const;

  const size_t m_nBufferSize;
  std::unique_ptr<unsigned char[]> m_storage;  // before the pointers into it
  unsigned char* const m_buffer;
  CFile* m_pFile;  // not owned; null once closed
  Mode m_nMode;
  // Store: the free part of the buffer. Load: the bytes not yet taken.
  unsigned char* m_lpBufCur;
  unsigned char* m_lpBufMax;
};
