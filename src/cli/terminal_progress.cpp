#include "cli/terminal_progress.h"

#include "platform/cp1252.h"
#include "platform/number_text.h"
#include "platform/terminal.h"

namespace {

constexpr std::string_view kCut = "...";

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

size_t CountCharacters(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += StartsCharacter(c);
  return n;
}

}  // namespace

std::string ProgressLine(std::string_view path, const ScanCounts& counts, size_t columns) {
  std::string line = Thousands(counts.folders) + " folders, " + Thousands(counts.files) +
                     " files, " + Thousands(counts.bytes) + " bytes  ";
  std::string shown;
  AppendDisplayText(path, shown);
  // A name may hold a line break or an escape: it must not move the cursor.
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  const size_t room = columns > line.size() ? columns - line.size() : 0;
  size_t length = CountCharacters(shown);
  if (length <= room) return line + shown;
  if (room <= kCut.size()) return line.substr(0, columns);
  // Keep the end of the path, where the folder being read is named.
  size_t from = 0;
  for (; length > room - kCut.size(); ++from) length -= StartsCharacter(shown[from]);
  while (from < shown.size() && !StartsCharacter(shown[from])) ++from;
  return line + std::string(kCut) + shown.substr(from);
}

TerminalProgress::TerminalProgress(bool wanted, std::FILE* out)
    : m_out(out), m_bOn(wanted && IsTerminal(out)), m_lastDrawn(Clock::now()) {}

bool TerminalProgress::StopRequested(std::string_view path, const ScanCounts& counts) {
  if (!m_bOn) return false;
  const Clock::time_point now = Clock::now();
  if (now - m_lastDrawn < kRedrawEvery) return false;
  m_lastDrawn = now;
  Draw(path, counts);
  return false;
}

void TerminalProgress::Draw(std::string_view path, const ScanCounts& counts) {
  // One column short of the width: a line filling the last column would
  // wrap on some terminals.
  const int columns = TerminalColumns(m_out);
  const size_t width = columns > 1 ? static_cast<size_t>(columns - 1) : 1;
  const std::string text = ProgressLine(path, counts, width);
  const size_t shown = CountCharacters(text);
  // Spaces, not an escape sequence, wipe what a longer line left: every
  // console understands them.
  m_line.assign("\r").append(text);
  if (m_nShownColumns > shown) m_line.append(m_nShownColumns - shown, ' ');
  std::fwrite(m_line.data(), 1, m_line.size(), m_out);
  std::fflush(m_out);
  m_nShownColumns = shown;
}

void TerminalProgress::Erase() {
  if (m_nShownColumns == 0) return;
  m_line.assign("\r").append(m_nShownColumns, ' ').append("\r");
  std::fwrite(m_line.data(), 1, m_line.size(), m_out);
  std::fflush(m_out);
  m_nShownColumns = 0;
}
