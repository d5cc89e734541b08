#include "files/archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "support/resource_limits.h"
#include "support/scratch_folder.h"

namespace {

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Text whose bytes cover the whole range, zero and 0xFF included.
std::string PatternText(size_t n) {
  std::string text(n, '\0');
  for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>(i * 7 + 3);
  return text;
}

class ArchiveTest : public ::testing::Test {
 protected:
  // Writes through a store-direction stream and returns the file's bytes.
  Bytes Store(const std::function<void(CArchive&)>& write) {
    CAtomicFileWriter writer(m_path);
    CArchive ar(writer.GetFile(), CArchive::store);
    write(ar);
    ar.Close();
    writer.Commit();
    return ReadWholeFile(m_path);
  }

  // Opens a load-direction stream over bytes, from a regular file or, with
  // throughPipe, from a pipe, whose end is not known in advance.
  CArchive& Load(const Bytes& bytes, bool throughPipe = false) {
    m_archive.reset();
    m_file = std::make_unique<CFile>();
    if (throughPipe) {
      int fds[2];
      EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
      EXPECT_LT(bytes.size(), 65536u) << "must fit the pipe's buffer";
      EXPECT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
      ::close(fds[1]);
      m_file->Attach(fds[0], "pipe");
    } else {
      WriteWholeFile(m_path, bytes);
      m_file->OpenRead(m_path);
    }
    m_archive = std::make_unique<CArchive>(*m_file, CArchive::load);
    return *m_archive;
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder / "stream.ztr";
  std::unique_ptr<CFile> m_file;
  std::unique_ptr<CArchive> m_archive;
};

template <typename F>
void ExpectEndOfFile(F&& read) {
  try {
    read();
    ADD_FAILURE() << "no end of file reported";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}

TEST_F(ArchiveTest, IntegersAreLittleEndianByteForByte) {
  struct Case {
    const char* what;
    void (*write)(CArchive&);
    bool (*readsBack)(CArchive&);
    Bytes bytes;
  };
  const Case cases[] = {
      {"byte",
       [](CArchive& ar) { ar.WriteByte(0xA5); },
       [](CArchive& ar) { return ar.ReadByte() == 0xA5; },
       {0xA5}},
      {"word",
       [](CArchive& ar) { ar.WriteWord(0x1234); },
       [](CArchive& ar) { return ar.ReadWord() == 0x1234; },
       {0x34, 0x12}},
      {"dword",
       [](CArchive& ar) { ar.WriteDWord(0x89ABCDEF); },
       [](CArchive& ar) { return ar.ReadDWord() == 0x89ABCDEF; },
       {0xEF, 0xCD, 0xAB, 0x89}},
      {"qword",
       [](CArchive& ar) { ar.WriteQWord(0x0123456789ABCDEF); },
       [](CArchive& ar) { return ar.ReadQWord() == 0x0123456789ABCDEF; },
       {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
      {"int32",
       [](CArchive& ar) { ar.WriteInt32(-2); },
       [](CArchive& ar) { return ar.ReadInt32() == -2; },
       {0xFE, 0xFF, 0xFF, 0xFF}},
      {"int64",
       [](CArchive& ar) { ar.WriteInt64(-0x100000000LL); },
       [](CArchive& ar) { return ar.ReadInt64() == -0x100000000LL; },
       {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Store(c.write), c.bytes);
    CArchive& ar = Load(c.bytes);
    EXPECT_TRUE(c.readsBack(ar));
    ExpectEndOfFile([&] { ar.ReadByte(); });
  }
}

TEST_F(ArchiveTest, StringLengthPrefixes) {
  struct Case {
    size_t length;
    Bytes prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {1, {0x01}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {100000, {0xFF, 0xFF, 0xFF, 0xA0, 0x86, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string text = PatternText(c.length);
    const Bytes stored = Store([&](CArchive& ar) { ar.WriteString(text); });
    EXPECT_EQ(stored, c.prefix + BytesOf(text));

    CArchive& ar = Load(stored);
    std::string read = "previous label";
    ar.ReadString(read);
    EXPECT_EQ(read, text);
    ExpectEndOfFile([&] { ar.ReadByte(); });
  }
}

TEST_F(ArchiveTest, Utf16FormIsReadAsUtf8) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::string text;
  };
  const Case cases[] = {
      {"one-byte length", {0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0}, "hi"},
      {"16-bit length", {0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 'h', 0, 'i', 0}, "hi"},
      {"32-bit length",
       {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h', 0, 'i', 0},
       "hi"},
      {"empty", {0xFF, 0xFE, 0xFF, 0x00}, ""},
      {"Latin and euro", {0xFF, 0xFE, 0xFF, 0x02, 0xE9, 0x00, 0xAC, 0x20}, "\xC3\xA9\xE2\x82\xAC"},
      {"surrogate pair", {0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
      {"high surrogate at the end", {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 0x3D, 0xD8}, "a\xEF\xBF\xBD"},
      {"high surrogate before a letter",
       {0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 'a', 0},
       "\xEF\xBF\xBD"
       "a"},
      {"lone low surrogate",
       {0xFF, 0xFE, 0xFF, 0x02, 0x00, 0xDE, 'a', 0},
       "\xEF\xBF\xBD"
       "a"},
      {"zero character kept", {0xFF, 0xFE, 0xFF, 0x01, 0x00, 0x00}, std::string(1, '\0')},
  };
  for (const bool throughPipe : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (throughPipe ? " (pipe)" : ""));
      CArchive& ar = Load(c.bytes + Bytes{0x5A}, throughPipe);
      std::string text;
      ar.ReadString(text);
      EXPECT_EQ(text, c.text);
      EXPECT_EQ(ar.ReadByte(), 0x5A) << "the text's bytes were not all taken";
    }
  }
}

// A stream of every kind of value, cut at each byte: everything before the
// cut reads back, the value the cut falls in reports the end of the file.
TEST_F(ArchiveTest, EndOfFileAtEveryPosition) {
  struct Item {
    size_t size;
    std::function<void(CArchive&)> read;
  };
  const std::string longText = PatternText(300);
  const Bytes utf16Hi = {0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0};
  auto readsString = [](std::string expected) {
    return [expected](CArchive& ar) {
      std::string text;
      ar.ReadString(text);
      EXPECT_EQ(text, expected);
    };
  };
  const std::vector<Item> items = {
      {6, readsString("hello")},
      {4, [](CArchive& ar) { EXPECT_EQ(ar.ReadDWord(), 0xDEADBEEFu); }},
      {303, readsString(longText)},
      {2, [](CArchive& ar) { EXPECT_EQ(ar.ReadWord(), 0xBEEF); }},
      {8, [](CArchive& ar) { EXPECT_EQ(ar.ReadQWord(), 0x1122334455667788u); }},
      {1, [](CArchive& ar) { EXPECT_EQ(ar.ReadByte(), 0x7F); }},
      {4, [](CArchive& ar) { EXPECT_EQ(ar.ReadInt32(), -5); }},
      {1, readsString("")},
      {utf16Hi.size(), readsString("hi")},
      {8, [](CArchive& ar) { EXPECT_EQ(ar.ReadInt64(), -6); }},
  };
  const Bytes whole = Store([&](CArchive& ar) {
    ar.WriteString("hello");
    ar.WriteDWord(0xDEADBEEF);
    ar.WriteString(longText);
    ar.WriteWord(0xBEEF);
    ar.WriteQWord(0x1122334455667788);
    ar.WriteByte(0x7F);
    ar.WriteInt32(-5);
    ar.WriteString("");
    ar.Write(utf16Hi.data(), utf16Hi.size());
    ar.WriteInt64(-6);
  });
  size_t total = 0;
  for (const Item& item : items) total += item.size;
  ASSERT_EQ(whole.size(), total);

  for (const bool throughPipe : {false, true}) {
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
      SCOPED_TRACE("cut at " + std::to_string(cut) + (throughPipe ? " (pipe)" : ""));
      CArchive& ar = Load(Bytes(whole.begin(), whole.begin() + cut), throughPipe);
      size_t offset = 0;
      for (const Item& item : items) {
        if (offset + item.size > cut) {
          ExpectEndOfFile([&] { item.read(ar); });
          break;
        }
        item.read(ar);
        offset += item.size;
      }
      if (HasFailure()) return;
    }
  }
}

TEST_F(ArchiveTest, FixedValueAtTheEndLeavesItsBytes) {
  CArchive& ar = Load({1, 2, 3});
  ExpectEndOfFile([&] { ar.ReadDWord(); });
  unsigned char rest[4] = {};
  EXPECT_EQ(ar.Read(rest, sizeof rest), 3u);
  EXPECT_EQ(rest[2], 3);
}

// A length prefix claiming far more than the file holds ends the record as
// the end of the file would, without allocating what it claims.
class ArchiveHostileLengthTest : public ArchiveTest {
 protected:
  struct Case {
    const char* what;
    Bytes bytes;
  };
  static std::vector<Case> Cases() {
    const Bytes few = BytesOf("abc");
    return {
        {"32-bit length", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F} + few},
        {"largest 32-bit length", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF} + few},
        {"UTF-16 32-bit length", Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F} + few},
        {"16-bit length", Bytes{0xFF, 0xFD, 0xFF} + few},
    };
  }
};

TEST_F(ArchiveHostileLengthTest, EndsAsEndOfFileAndKeepsNoLargeBuffer) {
  for (const bool throughPipe : {false, true}) {
    for (const Case& c : Cases()) {
      SCOPED_TRACE(std::string(c.what) + (throughPipe ? " (pipe)" : ""));
      CArchive& ar = Load(c.bytes, throughPipe);
      std::string text;
      ExpectEndOfFile([&] { ar.ReadString(text); });
      EXPECT_LT(text.capacity(), 1u << 20);
    }
  }
}

TEST_F(ArchiveHostileLengthTest, NeverAllocatesWhatTheLengthClaims) {
  if (kSanitized) GTEST_SKIP() << kSanitizedSkip;
  // In a child whose address space cannot hold the claimed lengths (2 GB and
  // more): an allocation of that size would fail with bad_alloc.
  const int status = RunWithLittleMemory(512u << 20, [&] {
    for (const bool throughPipe : {false, true}) {
      for (const Case& c : Cases()) {
        CArchive& ar = Load(c.bytes, throughPipe);
        std::string text;
        try {
          ar.ReadString(text);
          return 12;
        } catch (const CArchiveException&) {
        }
      }
    }
    return 0;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(ArchiveTest, RawReadIsShortOnlyAtTheEnd) {
  struct Case {
    size_t fileSize;
    std::vector<size_t> asked;
    std::vector<size_t> got;
  };
  const Case cases[] = {
      {10, {4, 100, 5}, {4, 6, 0}},
      {0, {1}, {0}},
      {4096, {4096, 1}, {4096, 0}},
      {5000, {4095, 2, 4096}, {4095, 2, 903}},
      {10000, {3, 9000, 5000}, {3, 9000, 997}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileSize);
    Bytes content(c.fileSize);
    for (size_t i = 0; i < content.size(); ++i)
      content[i] = static_cast<unsigned char>(i * 31 % 251);
    CArchive& ar = Load(content);
    size_t offset = 0;
    for (size_t i = 0; i < c.asked.size(); ++i) {
      Bytes chunk(c.asked[i], 0xEE);
      ASSERT_EQ(ar.Read(chunk.data(), chunk.size()), c.got[i]);
      EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + c.got[i], content.begin() + offset));
      offset += c.got[i];
    }
  }
}

// Records of the tree file's shape, many buffers long, so that values and
// strings fall across every buffer boundary.
TEST_F(ArchiveTest, LongStreamRoundTrip) {
  constexpr int kRecords = 5000;
  auto label = [](int i) { return PatternText(static_cast<size_t>(i % 300)); };
  auto part = [](int i) {
    Bytes bytes(40);
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<unsigned char>(i + k);
    return bytes;
  };
  const Bytes whole = Store([&](CArchive& ar) {
    for (int i = 0; i < kRecords; ++i) {
      ar.WriteString(label(i));
      ar.WriteInt32(i);
      ar.Write(part(i).data(), 40);
      ar.WriteQWord(uint64_t{0x0101010101010101} * static_cast<uint64_t>(i));
    }
  });
  CArchive& ar = Load(whole);
  std::string text;
  for (int i = 0; i < kRecords; ++i) {
    ar.ReadString(text);
    ASSERT_EQ(text, label(i)) << i;
    ASSERT_EQ(ar.ReadInt32(), i);
    Bytes got(40);
    ASSERT_EQ(ar.Read(got.data(), got.size()), 40u);
    ASSERT_EQ(got, part(i));
    ASSERT_EQ(ar.ReadQWord(), uint64_t{0x0101010101010101} * static_cast<uint64_t>(i));
  }
  ExpectEndOfFile([&] { ar.ReadString(text); });
}

TEST_F(ArchiveTest, OnlyCloseWritesTheBuffer) {
  enum Ending { close, abort, destroy };
  struct Case {
    Ending ending;
    size_t size;
  };
  for (const Case c : {Case{close, 10}, Case{abort, 0}, Case{destroy, 0}}) {
    SCOPED_TRACE(c.ending);
    CAtomicFileWriter writer(m_path);
    {
      CArchive ar(writer.GetFile(), CArchive::store);
      ar.Write("0123456789", 10);
      if (c.ending == close) ar.Close();
      if (c.ending == abort) ar.Abort();
    }
    writer.Commit();
    EXPECT_EQ(ReadWholeFile(m_path).size(), c.size);
  }
}

TEST_F(ArchiveTest, WriteFailureNamesTheFile) {
  for (const size_t n : {size_t{10}, size_t{100000}}) {
    SCOPED_TRACE(n);
    CAtomicFileWriter writer("/dev/full");
    CArchive ar(writer.GetFile(), CArchive::store);
    const std::string text(n, 'x');
    try {
      ar.Write(text.data(), text.size());
      ar.Close();
      ADD_FAILURE() << "the full device took the bytes";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_cause, CFileException::diskFull);
      EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing /dev/full.");
    }
    ar.Abort();
  }
}

TEST_F(ArchiveTest, ReadFailureNamesNoFile) {
  const std::function<void(CArchive&)> reads[] = {
      [](CArchive& ar) { ar.ReadByte(); },
      [](CArchive& ar) {
        std::string text;
        ar.ReadString(text);
      },
      [](CArchive& ar) {
        char buffer[10000];
        ar.Read(buffer, sizeof buffer);
      },
  };
  for (const auto& read : reads) {
    // Reading a folder's descriptor fails with EISDIR on every read.
    CFile folder;
    folder.Attach(::open(m_folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                  m_folder.Path());
    CArchive ar(folder, CArchive::load);
    try {
      read(ar);
      ADD_FAILURE() << "reading a folder succeeded";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_strFileName, "");
      EXPECT_EQ(e.GetErrorMessage(), "Access to an unnamed file was denied.");
    }
  }
}

}  // namespace
