// A small pull reader of JSON text from a file descriptor: tokens one at a
// time through a 64 KiB buffer, so a document of any size is read with the
// same memory. Strings come back as their bytes: escapes are decoded and
// bytes that are not UTF-8 pass through, as ncdu's exports need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A document that is not the JSON expected; the text says where.
class JsonFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JsonPullReader {
 public:
  explicit JsonPullReader(int fd) : m_fd(fd) {}

  // The next significant byte (after white space), not taken; 0 at the end
  // (and for a NUL byte: AtEnd tells the two apart).
  char Peek();
  // Whether only white space is left.
  bool AtEnd();
  // Takes the next significant byte, which must be c.
  void Expect(char c);
  // Takes a ',' before the next element of a container, or its closing byte;
  // returns true for a ','.
  bool NextElement(char closing);

  void ReadString(std::string& out);
  // A number at its value, a fraction cut off towards zero, held within
  // int64 (so 1e300 is the largest int64, 1e-300 is 0).
  int64_t ReadInteger();
  bool ReadBool();
  void SkipValue();  // any value, nested or not

  // "line N: problem", for the caller's message.
  [[noreturn]] void Fail(std::string_view problem) const;
  // "line N: expected WHAT, found 'x'" about the next significant byte, or
  // that the file ends too early.
  [[noreturn]] void FailExpected(std::string_view what);

 private:
  int Get();  // the next byte or -1 at the end
  int Fill();
  void SkipByteOrderMark();
  int PeekByte();  // the next byte, white space or not, not taken; -1 at the end
  void SkipSpace();
  void ReadLiteral(std::string_view word);
  void AppendEscape(std::string& out);
  void AppendSimpleEscape(int c, std::string& out);
  unsigned ReadHex4();
  bool TakeDigits(std::string& text);

  int m_fd;
  unsigned char m_buffer[1 << 16];
  size_t m_nAt = 0;
  size_t m_nEnd = 0;
  size_t m_nLine = 1;
  bool m_bStarted = false;  // past a byte-order mark, if there was one
  size_t m_nMarkBytes = 0;  // of the byte-order mark met so far
  std::string m_number;     // the digits of the number being read
};
