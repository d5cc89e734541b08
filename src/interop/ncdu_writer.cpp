#include "interop/ncdu_writer.h"

#include <charconv>

namespace {

void AppendNumber(int64_t value, std::string& out) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

void AppendNcduString(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\b':
        out.append("\\b");
        break;
      case '\f':
        out.append("\\f");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out.append("\\u00");
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void NcduWriter::Begin(std::string_view program, std::string_view version, int64_t timestamp) {
  m_out.append("[1,2,{\"progname\":");
  AppendNcduString(program, m_out);
  m_out.append(",\"progver\":");
  AppendNcduString(version, m_out);
  m_out.append(",\"timestamp\":");
  AppendNumber(timestamp, m_out);
  m_out.append("}");
  m_bFirstInFolder = false;
}

void NcduWriter::Separate() {
  if (!m_bFirstInFolder) m_out.append(",\n");
  m_bFirstInFolder = false;
}

void NcduWriter::Info(const NcduEntry& entry, bool isFile) {
  m_out.append("{\"name\":");
  AppendNcduString(entry.name, m_out);
  // ncdu leaves out sizes of 0.
  if (entry.size > 0) {
    m_out.append(",\"asize\":");
    AppendNumber(entry.size, m_out);
  }
  if (entry.diskUsage > 0) {
    m_out.append(",\"dsize\":");
    AppendNumber(entry.diskUsage, m_out);
  }
  if (entry.mode) {
    m_out.append(",\"mode\":");
    AppendNumber(*entry.mode, m_out);
  }
  if (entry.mtime) {
    m_out.append(",\"mtime\":");
    AppendNumber(*entry.mtime, m_out);
  }
  if (isFile && entry.notRegular) m_out.append(",\"notreg\":true");
  if (entry.readError) m_out.append(",\"read_error\":true");
  m_out += '}';
}

void NcduWriter::OpenFolder(const NcduEntry& folder) {
  Separate();
  m_out += '[';
  Info(folder, false);
}

void NcduWriter::CloseFolder() {
  m_out += ']';
  m_bFirstInFolder = false;
}

void NcduWriter::File(const NcduEntry& file) {
  Separate();
  Info(file, true);
}

void NcduWriter::End() { m_out.append("]\n"); }
