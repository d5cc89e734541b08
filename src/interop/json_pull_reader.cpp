#include "interop/json_pull_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/utf8.h"

int JsonPullReader::Fill() {
  for (;;) {
    const ssize_t n = ::read(m_fd, m_buffer, sizeof m_buffer);
    if (n >= 0) {
      m_nAt = 0;
      m_nEnd = static_cast<size_t>(n);
      return n == 0 ? -1 : m_buffer[0];
    }
    if (errno != EINTR) Fail(std::string("read failed: ") + std::strerror(errno));
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

void JsonPullReader::Fail(std::string_view problem) const {
  throw JsonFormatError("line " + std::to_string(m_nLine) + ": " + std::string(problem));
}

void JsonPullReader::Expect(char c) {
  const char next = Peek();
  if (next == c) {
    Get();
    return;
  }
  if (next == '\0') Fail("the file ends too early (truncated?)");
  Fail(std::string("expected '") + c + "', found '" + next + "'");
}

bool JsonPullReader::NextElement(char closing) {
  const char next = Peek();
  if (next == ',' || next == closing) {
    Get();
    return next == ',';
  }
  if (next == '\0') Fail("the file ends too early (truncated?)");
  Fail(std::string("expected ',' or '") + closing + "', found '" + next + "'");
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
    else
      Fail("bad \\u escape in a string");
  }
  return value;
}

void JsonPullReader::AppendEscape(std::string& out) {
  const int c = Get();
  switch (c) {
    case '"':
      out += '"';
      return;
    case '\\':
      out += '\\';
      return;
    case '/':
      out += '/';
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
    case 'u':
      break;
    case -1:
      Fail("the file ends too early (truncated?)");
    default:
      Fail("bad escape in a string");
  }
  uint32_t cp = ReadHex4();
  // A high surrogate followed by a low one is one character; a lone half
  // becomes the replacement character.
  if (IsHighSurrogate(cp) && Peek() == '\\') {
    Get();
    if (Get() != 'u') Fail("bad escape in a string");
    const uint32_t low = ReadHex4();
    if (IsLowSurrogate(low)) {
      AppendUtf8(CombineSurrogates(cp, low), out);
      return;
    }
    AppendUtf8(0xFFFD, out);
    cp = low;
  }
  AppendUtf8(IsHighSurrogate(cp) || IsLowSurrogate(cp) ? 0xFFFD : cp, out);
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
      out += static_cast<char>(c);  // the first byte of a refilled buffer
    }
  }
}

int JsonPullReader::PeekByte() {
  if (m_nAt == m_nEnd && Fill() < 0) return -1;
  return m_buffer[m_nAt];
}

int64_t JsonPullReader::ReadInteger() {
  SkipSpace();
  int c = PeekByte();
  const bool negative = c == '-';
  if (negative) {
    ++m_nAt;
    c = PeekByte();
  }
  if (c < '0' || c > '9') {
    if (c < 0) Fail("the file ends too early (truncated?)");
    Fail("expected a number");
  }
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; c >= '0' && c <= '9'; c = PeekByte()) {
    ++m_nAt;
    const int d = c - '0';
    value = value > (kMax - d) / 10 ? kMax : value * 10 + d;
  }
  // A fraction or an exponent is read and dropped: ncdu writes neither.
  for (; c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-' || (c >= '0' && c <= '9');
       c = PeekByte())
    ++m_nAt;
  return negative ? -value : value;
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
