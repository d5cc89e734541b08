// Buffered output for listings of millions of lines: text collects in one
// large buffer written with fwrite, and a failed write (a full disk, a closed
// pipe) is remembered so the command can say so and fail.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* out = stdout);
  ~OutputBuffer();  // writes what is left; check Finish() to learn of failure
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // The text collected so far, to append to directly; call Commit() after.
  std::string& Text() { return m_text; }
  void Append(std::string_view text) {
    m_text.append(text);
    Commit();
  }
  // Writes the buffer out once it has grown large.
  void Commit() {
    if (m_text.size() >= kFlushAt) Flush();
  }

  // Writes everything out; false if any write failed.
  bool Finish();

  // A place in the output, to take back what follows it while that is still
  // held here (not yet written out).
  size_t Mark() const { return m_nWritten + m_text.size(); }
  bool CanRollBack(size_t mark) const { return mark >= m_nWritten; }
  void RollBack(size_t mark) { m_text.resize(mark - m_nWritten); }

 private:
  static constexpr size_t kFlushAt = size_t{1} << 20;

  void Flush();

  std::FILE* m_out;
  std::string m_text;
  bool m_bFailed = false;
  size_t m_nWritten = 0;  // bytes handed to the stream so far
};
