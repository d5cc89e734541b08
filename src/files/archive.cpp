#include "files/archive.h"

#include <algorithm>
#include <stdexcept>

#include "files/file.h"
#include "files/file_exception.h"
#include "files/utf16_text.h"

namespace {

// Prefix values that say "the length follows in a wider form".
constexpr uint8_t kByteEscape = 0xFF;
constexpr uint16_t kWordEscape = 0xFFFF;
constexpr uint16_t kUtf16Marker = 0xFFFE;

// Without a known end (a pipe), text grows by at least this much at a time.
constexpr size_t kUnknownEndChunk = 64 * 1024;

[[noreturn]] void ThrowEndOfFile() { throw CArchiveException(CArchiveException::endOfFile); }

}  // namespace

CArchive::CArchive(CFile& file, Mode mode, size_t bufferSize)
    : m_nBufferSize(bufferSize),
      m_storage(std::make_unique_for_overwrite<unsigned char[]>(bufferSize)),
      m_buffer(m_storage.get()),
      m_pFile(&file),
      m_nMode(mode),
      m_lpBufCur(m_buffer),
      m_lpBufMax(mode == store ? m_buffer + m_nBufferSize : m_buffer) {}

void CArchive::CheckOpen() const {
  if (m_pFile == nullptr) throw std::logic_error("tree file stream used after closing");
}

void CArchive::Close() {
  if (m_pFile != nullptr && IsStoring()) FlushBuffer();
  Abort();
}

void CArchive::Abort() noexcept {
  m_pFile = nullptr;
  m_lpBufCur = m_lpBufMax = m_buffer;
}

void CArchive::FlushBuffer() {
  CheckOpen();
  const size_t n = static_cast<size_t>(m_lpBufCur - m_buffer);
  // Emptied first: a failed write is never written again.
  m_lpBufCur = m_buffer;
  if (n != 0) m_pFile->Write(m_buffer, n);
}

void CArchive::WriteSlow(const void* data, size_t n) {
  FlushBuffer();
  if (n >= m_nBufferSize) {
    m_pFile->Write(data, n);
    return;
  }
  std::memcpy(m_lpBufCur, data, n);
  m_lpBufCur += n;
}

void CArchive::WriteString(std::string_view text) {
  const size_t n = text.size();
  if (n < kByteEscape) {
    WriteByte(static_cast<uint8_t>(n));
  } else if (n < kUtf16Marker) {
    WriteByte(kByteEscape);
    WriteWord(static_cast<uint16_t>(n));
  } else {
    // The longest length the 32-bit form can give without ambiguity.
    if (n >= 0xFFFFFFFFu) throw std::length_error("text too long for a tree file");
    WriteByte(kByteEscape);
    WriteWord(kWordEscape);
    WriteDWord(static_cast<uint32_t>(n));
  }
  Write(text.data(), n);
}

size_t CArchive::ReadFromFile(void* data, size_t n) {
  // A failure while reading names no file: the user is told of "an unnamed file".
  try {
    return m_pFile->Read(data, n);
  } catch (const CFileException& e) {
    throw CFileException(e.m_cause, {}, e.m_lOsError);
  }
}

void CArchive::FillAtLeast(size_t n) {
  CheckOpen();
  // The bytes left move to the front, so a value never straddles the end.
  const size_t kept = static_cast<size_t>(m_lpBufMax - m_lpBufCur);
  std::memmove(m_buffer, m_lpBufCur, kept);
  m_lpBufCur = m_buffer;
  m_lpBufMax = m_buffer + kept;
  // One read is enough: the file returns less than asked only at its end.
  m_lpBufMax += ReadFromFile(m_lpBufMax, m_nBufferSize - kept);
  if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) < n) ThrowEndOfFile();
}

bool CArchive::Refill() {
  CheckOpen();
  m_lpBufCur = m_lpBufMax = m_buffer;
  m_lpBufMax += ReadFromFile(m_buffer, m_nBufferSize);
  return m_lpBufMax != m_buffer;
}

size_t CArchive::ReadSlow(void* data, size_t n) {
  CheckOpen();
  auto* out = static_cast<unsigned char*>(data);
  const size_t buffered = static_cast<size_t>(m_lpBufMax - m_lpBufCur);
  if (buffered != 0) std::memcpy(out, m_lpBufCur, buffered);
  m_lpBufCur = m_lpBufMax = m_buffer;
  const size_t wanted = n - buffered;
  if (wanted >= m_nBufferSize) return buffered + ReadFromFile(out + buffered, wanted);

  m_lpBufMax += ReadFromFile(m_buffer, m_nBufferSize);
  const size_t more = std::min(wanted, static_cast<size_t>(m_lpBufMax - m_lpBufCur));
  std::memcpy(out + buffered, m_lpBufCur, more);
  m_lpBufCur += more;
  return buffered + more;
}

uint64_t CArchive::ReadStringLength(bool& utf16) {
  utf16 = false;
  uint8_t byteLength = ReadByte();
  if (byteLength < kByteEscape) return byteLength;
  uint16_t wordLength = ReadWord();
  if (wordLength == kUtf16Marker) {
    // The UTF-16 form: its character count follows in any of the three forms.
    utf16 = true;
    byteLength = ReadByte();
    if (byteLength < kByteEscape) return byteLength;
    wordLength = ReadWord();
  }
  if (wordLength < kWordEscape) return wordLength;
  return ReadDWord();
}

void CArchive::ReadBytes(std::string& out, uint64_t n) {
  const size_t buffered = static_cast<size_t>(m_lpBufMax - m_lpBufCur);
  if (n <= buffered) {
    out.assign(reinterpret_cast<const char*>(m_lpBufCur), n);
    m_lpBufCur += n;
    return;
  }
  // A length read from the file is only a claim: a large one is checked
  // against what the file holds before allocating for it. A small one is
  // read as it comes (below), without a system call to ask the file's size.
  const auto remaining =
      n - buffered > kUnknownEndChunk ? m_pFile->GetRemainingLength() : std::nullopt;
  if (remaining) {
    if (n - buffered > *remaining) ThrowEndOfFile();
    out.resize(n);
    if (Read(out.data(), n) < n) ThrowEndOfFile();
    return;
  }
  // A small claim, or no known end: grow with the bytes that really arrive,
  // so a bogus length meets the end of the file instead of exhausting memory.
  out.clear();
  while (out.size() < n) {
    const size_t done = out.size();
    const size_t chunk =
        static_cast<size_t>(std::min<uint64_t>(n - done, std::max(done, kUnknownEndChunk)));
    out.resize(done + chunk);
    if (Read(out.data() + done, chunk) < chunk) ThrowEndOfFile();
  }
}

void CArchive::ReadStringSlow(std::string& text) {
  CheckOpen();
  bool utf16 = false;
  const uint64_t n = ReadStringLength(utf16);
  if (!utf16) {
    ReadBytes(text, n);
    return;
  }
  std::string units;
  ReadBytes(units, 2 * n);
  text = Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(units.data()), n);
}

uint64_t CArchive::GetLoadPosition() const {
  assert(IsLoading() && m_pFile != nullptr);
  return m_pFile->GetPosition() - static_cast<uint64_t>(m_lpBufMax - m_lpBufCur);
}

void CArchive::SeekLoad(uint64_t position) {
  CheckOpen();
  const uint64_t end = m_pFile->GetPosition();  // where m_lpBufMax stands
  const uint64_t start = end - static_cast<uint64_t>(m_lpBufMax - m_buffer);
  if (position >= start && position <= end) {
    m_lpBufCur = m_buffer + (position - start);
    return;
  }
  m_pFile->Seek(position);
  m_lpBufCur = m_lpBufMax = m_buffer;
}
