// The progress line of a long command on a terminal, as ncdu and gdu show
// theirs: one line on stderr, redrawn at most ten times a second and erased
// at the end. Nothing is drawn when stderr is not a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "tree/scan_progress.h"

class TerminalProgress : public ScanProgress {
 public:
  // Draws on `out` only when `wanted` and `out` is a terminal.
  explicit TerminalProgress(bool wanted, std::FILE* out = stderr);
  ~TerminalProgress() override { Erase(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void FolderStarted(std::string_view, std::string_view) override {}
  // Redraws the line when the last drawing is old enough; never asks to stop.
  bool StopRequested(std::string_view path, const ScanCounts& counts) override;
  // Takes the line away (before a message, and at the end).
  void Erase();

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kRedrawEvery = std::chrono::milliseconds(100);

  void Draw(std::string_view path, const ScanCounts& counts);

  std::FILE* m_out;
  bool m_bOn;
  size_t m_nShownColumns = 0;  // of the line on screen, 0 when none
  Clock::time_point m_lastDrawn;
  std::string m_line;
};

// The line for these counts and folder, at most `columns` characters wide:
// the front of a long path gives way to "...".
std::string ProgressLine(std::string_view path, const ScanCounts& counts, size_t columns);
