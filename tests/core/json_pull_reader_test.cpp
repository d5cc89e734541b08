// The JSON reader under the ncdu import, on the edges of its input: escapes
// across the read buffer's edge, surrogates, NUL bytes, numbers out of
// range, deep nesting, what follows the document.
#include "interop/json_pull_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/read_descriptor.h"
#include "support/scratch_folder.h"

namespace {

// Reads a top-level array of strings, numbers and skipped containers, as
// "a|b|5|…" (strings as their bytes), or "error: …".
std::string ReadArray(const std::string& document) {
  ScratchFolder temp;
  WriteWholeFile(temp / "in.json", document);
  const int fd = OpenForReading((temp / "in.json").c_str());
  std::string result, text;
  try {
    JsonPullReader json(fd);
    json.Expect('[');
    bool first = true;
    if (json.Peek() == ']')
      json.Expect(']');
    else
      do {
        if (!first) result += '|';
        first = false;
        const char next = json.Peek();
        if (next == '"') {
          json.ReadString(text);
          result += text;
        } else if (next == '[' || next == '{') {
          json.SkipValue();
          result += "…";
        } else {
          result += std::to_string(json.ReadInteger());
        }
      } while (json.NextElement(']'));
    if (!json.AtEnd()) result = "error: more text";
  } catch (const JsonFormatError& e) {
    result = std::string("error: ") + e.what();
  }
  ::close(fd);
  return result;
}

const std::string kReplacement = "\xEF\xBF\xBD";
const std::string kGrin = "\xF0\x9F\x98\x80";  // U+1F600, \ud83d\ude00

TEST(JsonPullReader, EdgeCases) {
  const std::string nested = std::string(100000, '[') + std::string(100000, ']');
  const struct {
    std::string input, expected;
  } cases[] = {
      {R"(["\ud83d\ude00", "\u00e9\/\t"])", kGrin + "|\xC3\xA9/\t"},
      // Lone halves become U+FFFD; whatever follows is read on its own.
      {R"(["a\ud800\\b"])", "a" + kReplacement + "\\b"},
      {R"(["\ud83d\""])", kReplacement + "\""},
      {R"(["\ud800\n"])", kReplacement + "\n"},
      {R"(["\ud800 \udc00"])", kReplacement + " " + kReplacement},
      {R"(["\udc00\ud800\ud83d\ude00x"])", kReplacement + kReplacement + kGrin + "x"},
      {R"(["\ud800\x"])", "error: line 1: bad escape in a string"},
      {R"(["a\u0000b"])", std::string("a\0b", 3)},
      // Numbers at their value, held within int64.
      {"[1e300, -1e300, 1.9, -1.9, 1e-300, 12.5e1, 0.0000001E+7, 99999999999999999999]",
       "9223372036854775807|-9223372036854775808|1|-1|0|125|1|9223372036854775807"},
      {"[0e99999999999999999999, 5E0]", "0|5"},
      {"[1e]", "error: line 1: expected the exponent's digits, found ']'"},
      {"[1.]", "error: line 1: expected a digit after the decimal point, found ']'"},
      {"[-x]", "error: line 1: expected a number, found 'x'"},
      // A byte-order mark is skipped; a broken one is not a document.
      {"\xEF\xBB\xBF[\"bom\"]", "bom"},
      {"\xEF\xBB[1]", "error: line 1: the byte-order mark at the start is cut short"},
      // A NUL byte is a byte: inside, a syntax error with its line; after, more text.
      {std::string("[1,\n\0 2]", 8), "error: line 2: expected a number, found byte 0x00"},
      {std::string("[1]\0garbage", 11), "error: more text"},
      {std::string("[\"a\0b\"]", 7), std::string("a\0b", 3)},
      {"[1] x", "error: more text"},
      {R"(["abc)", "error: line 1: the file ends too early (truncated?)"},
      {R"(["\u12)", "error: line 1: the file ends too early (truncated?)"},
      {"[1,", "error: line 1: the file ends too early (truncated?)"},
      {"[" + nested + ", {\"k\": [true, null, {}]}]", "…|…"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 60));
    EXPECT_EQ(ReadArray(c.input), c.expected);
  }
}

// Escapes, pairs and the lines they stand on come out the same wherever the
// 64 KiB read buffer ends in them.
TEST(JsonPullReader, EscapesAcrossTheBufferEdge) {
  constexpr size_t kBuffer = size_t{1} << 16;
  const std::string tail = R"(\ud83d\ude00\u00e9\\\n)";
  for (size_t before = 1; before <= tail.size(); ++before) {
    SCOPED_TRACE(before);
    // The string's body starts after `["`: the buffer ends `before` bytes
    // into the escapes.
    const std::string padding(kBuffer - 2 - before, 'p');
    EXPECT_EQ(ReadArray("[\"" + padding + tail + "\", -1.5e0]"),
              padding + kGrin + "\xC3\xA9\\\n|-1");
  }
}

}  // namespace
