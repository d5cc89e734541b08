#include "cli/output_buffer.h"

OutputBuffer::OutputBuffer(std::FILE* out) : m_out(out) { m_text.reserve(kFlushAt + 4096); }

OutputBuffer::~OutputBuffer() { Flush(); }

void OutputBuffer::Flush() {
  if (!m_text.empty() && !m_bFailed &&
      std::fwrite(m_text.data(), 1, m_text.size(), m_out) != m_text.size())
    m_bFailed = true;
  m_nWritten += m_text.size();
  m_text.clear();
}

bool OutputBuffer::Finish() {
  Flush();
  if (std::fflush(m_out) != 0) m_bFailed = true;
  return !m_bFailed;
}
