#include "interop/json_pull_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/utf8.h"

int JsonPullReader::Fill() {
  for (;;) {
    const ssize_t n = ::read(m_fd, m_buffer, sizeof m_buffer);
    if (n < 0) {
      if (errno != EINTR) Fail(std::string("read failed: ") + std::strerror(errno));
      continue;
    }
    m_nAt = 0;
    m_nEnd = static_cast<size_t>(n);
    if (n == 0) return -1;
    if (!m_bStarted) SkipByteOrderMark();
    if (m_nAt < m_nEnd) return m_buffer[m_nAt];
  }
}

// Editors on Windows put a UTF-8 byte-order mark before the text; it is no
// part of the document. It may come split over more than one read.
void JsonPullReader::SkipByteOrderMark() {
  static constexpr unsigned char kMark[] = {0xEF, 0xBB, 0xBF};
  while (!m_bStarted && m_nAt < m_nEnd) {
    if (m_buffer[m_nAt] == kMark[m_nMarkBytes]) {
      ++m_nAt;
      m_bStarted = ++m_nMarkBytes == sizeof kMark;
    } else if (m_nMarkBytes == 0) {
      m_bStarted = true;
    } else {
      Fail("the byte-order mark at the start is cut short");
    }
  }
}

int JsonPullReader::Get() {
  if (m_nAt == m_nEnd && Fill() < 0) return -1;
  const unsigned char c = m_buffer[m_nAt++];
  if (c == '\n') ++m_nLine;
  return c;
}

void JsonPullReader::SkipSpace() {
  for (;;) {
    if (m_nAt == m_nEnd && Fill() < 0) return;
    const unsigned char c = m_buffer[m_nAt];
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
    if (c == '\n') ++m_nLine;
    ++m_nAt;
  }
}

char JsonPullReader::Peek() {
  SkipSpace();
  return m_nAt == m_nEnd ? '\0' : static_cast<char>(m_buffer[m_nAt]);
}

bool JsonPullReader::AtEnd() {
  SkipSpace();
  return m_nAt == m_nEnd;
}

void JsonPullReader::Fail(std::string_view problem) const {
  throw JsonFormatError("line " + std::to_string(m_nLine) + ": " + std::string(problem));
}

void JsonPullReader::FailExpected(std::string_view what) {
  if (AtEnd()) Fail("the file ends too early (truncated?)");
  // A byte that would not show (a NUL, a control or a non-ASCII byte) is
  // named by its value.
  const unsigned char c = m_buffer[m_nAt];
  char found[16];
  if (c >= 0x20 && c < 0x7F)
    std::snprintf(found, sizeof found, "'%c'", c);
  else
    std::snprintf(found, sizeof found, "byte 0x%02X", c);
  Fail("expected " + std::string(what) + ", found " + found);
}

void JsonPullReader::Expect(char c) {
  if (Peek() == c) {
    Get();
    return;
  }
  FailExpected(std::string("'") + c + "'");
}

bool JsonPullReader::NextElement(char closing) {
  const char next = Peek();
  if (next == ',' || next == closing) {
    Get();
    return next == ',';
  }
  FailExpected(std::string("',' or '") + closing + "'");
}

unsigned JsonPullReader::ReadHex4() {
  unsigned value = 0;
  for (int i = 0; i < 4; ++i) {
    const int c = Get();
    value <<= 4;
    if (c >= '0' && c <= '9')
      value |= static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      value |= static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      value |= static_cast<unsigned>(c - 'A' + 10);
    else if (c < 0)
      Fail("the file ends too early (truncated?)");
    else
      Fail("bad \\u escape in a string");
  }
  return value;
}

void JsonPullReader::AppendSimpleEscape(int c, std::string& out) {
  switch (c) {
    case '"':
    case '\\':
    case '/':
      out += static_cast<char>(c);
      return;
    case 'b':
      out += '\b';
      return;
    case 'f':
      out += '\f';
      return;
    case 'n':
      out += '\n';
      return;
    case 'r':
      out += '\r';
      return;
    case 't':
      out += '\t';
      return;
    case -1:
      Fail("the file ends too early (truncated?)");
    default:
      Fail("bad escape in a string");
  }
}

void JsonPullReader::AppendEscape(std::string& out) {
  const int c = Get();
  if (c != 'u') {
    AppendSimpleEscape(c, out);
    return;
  }
  // A high surrogate followed by a low one is one character; a lone half
  // becomes the replacement character, and whatever follows it is read on
  // its own (another escape, another high half starting a pair).
  constexpr uint32_t kReplacement = 0xFFFD;
  uint32_t cp = ReadHex4();
  while (cp >= 0xD800 && cp < 0xDC00 && PeekByte() == '\\') {
    Get();
    const int next = Get();
    if (next != 'u') {
      AppendUtf8(kReplacement, out);
      AppendSimpleEscape(next, out);
      return;
    }
    const uint32_t low = ReadHex4();
    if (low >= 0xDC00 && low < 0xE000) {
      AppendUtf8(0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00), out);
      return;
    }
    AppendUtf8(kReplacement, out);
    cp = low;
  }
  AppendUtf8(cp >= 0xD800 && cp < 0xE000 ? kReplacement : cp, out);
}

void JsonPullReader::ReadString(std::string& out) {
  out.clear();
  Expect('"');
  for (;;) {
    // The common run of plain bytes is copied straight from the buffer.
    size_t run = m_nAt;
    while (run < m_nEnd && m_buffer[run] != '"' && m_buffer[run] != '\\' && m_buffer[run] != '\n')
      ++run;
    out.append(reinterpret_cast<const char*>(m_buffer + m_nAt), run - m_nAt);
    m_nAt = run;
    const int c = Get();
    if (c == '"') return;
    if (c == '\\') {
      AppendEscape(out);
    } else if (c < 0) {
      Fail("the file ends too early (truncated?)");
    } else {
      out += static_cast<char>(c);  // a line break, or the first byte of a refilled buffer
    }
  }
}

int JsonPullReader::PeekByte() {
  if (m_nAt == m_nEnd && Fill() < 0) return -1;
  return m_buffer[m_nAt];
}

bool JsonPullReader::TakeDigits(std::string& text) {
  const size_t before = text.size();
  for (int c = PeekByte(); c >= '0' && c <= '9'; c = PeekByte()) {
    text += static_cast<char>(c);
    ++m_nAt;
  }
  return text.size() > before;
}

namespace {

// The whole part of the decimal number whose digits are `digits` with the
// point after the first `point` of them (point may lie outside them), held
// within int64. Exact for any exponent: no floating point is involved.
int64_t WholePart(std::string_view digits, int64_t point, bool negative) {
  while (!digits.empty() && digits.front() == '0') {
    digits.remove_prefix(1);
    --point;
  }
  if (digits.empty()) return 0;
  constexpr uint64_t kLimit = uint64_t{1} << 63;  // the magnitude of int64's minimum
  uint64_t value = 0;
  for (int64_t i = 0; i < point; ++i) {
    const unsigned d = static_cast<size_t>(i) < digits.size() ? digits[i] - '0' : 0;
    if (value > (kLimit - d) / 10) {
      value = kLimit;
      break;
    }
    value = value * 10 + d;
  }
  if (negative)
    return value == kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
  return value >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(value);
}

}  // namespace

int64_t JsonPullReader::ReadInteger() {
  SkipSpace();
  const bool negative = PeekByte() == '-';
  if (negative) ++m_nAt;
  m_number.clear();
  if (!TakeDigits(m_number)) FailExpected("a number");
  auto point = static_cast<int64_t>(m_number.size());
  if (PeekByte() == '.') {
    ++m_nAt;
    if (!TakeDigits(m_number)) FailExpected("a digit after the decimal point");
  }
  if (const int e = PeekByte(); e == 'e' || e == 'E') {
    ++m_nAt;
    const int sign = PeekByte();
    if (sign == '+' || sign == '-') ++m_nAt;
    // Beyond this the value is 0 or out of range whatever the digits.
    constexpr int64_t kExponentCap = int64_t{1} << 40;
    int64_t exponent = 0;
    bool any = false;
    for (int c = PeekByte(); c >= '0' && c <= '9'; c = PeekByte(), any = true) {
      ++m_nAt;
      exponent = std::min(kExponentCap, exponent * 10 + (c - '0'));
    }
    if (!any) FailExpected("the exponent's digits");
    point += sign == '-' ? -exponent : exponent;
  }
  return WholePart(m_number, point, negative);
}

void JsonPullReader::ReadLiteral(std::string_view word) {
  for (const char c : word)
    if (Get() != c) Fail("expected a JSON value");
}

bool JsonPullReader::ReadBool() {
  const char c = Peek();
  if (c == 't') {
    ReadLiteral("true");
    return true;
  }
  if (c == 'f') {
    ReadLiteral("false");
    return false;
  }
  Fail("expected true or false");
}

void JsonPullReader::SkipValue() {
  // Iterative, so no nesting depth can exhaust the stack: the closing byte
  // of each container still open.
  std::vector<char> open;
  std::string scratch;
  const auto memberKey = [&] {
    ReadString(scratch);
    Expect(':');
  };
  for (;;) {
    const char c = Peek();
    if (c == '[' || c == '{') {
      Get();
      const char closing = c == '[' ? ']' : '}';
      if (Peek() != closing) {
        open.push_back(closing);
        if (closing == '}') memberKey();
        continue;
      }
      Get();
    } else if (c == '"') {
      ReadString(scratch);
    } else if (c == 't' || c == 'f') {
      ReadBool();
    } else if (c == 'n') {
      ReadLiteral("null");
    } else {
      ReadInteger();
    }
    // After a value: the next member of the innermost container, or its end.
    for (;;) {
      if (open.empty()) return;
      if (NextElement(open.back())) {
        if (open.back() == '}') memberKey();
        break;
      }
      open.pop_back();
    }
  }
}
