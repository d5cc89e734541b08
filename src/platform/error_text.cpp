#include "platform/error_text.h"

#include <string.h>

namespace {

// strerror_r comes in two shapes: the GNU one returns the text (which may or
// may not be in `buffer`), the POSIX one fills `buffer` and returns a status.
[[maybe_unused]] const char* ResultText(const char* gnuResult, const char*) { return gnuResult; }
[[maybe_unused]] const char* ResultText(int posixResult, const char* buffer) {
  return posixResult == 0 ? buffer : "";
}

}  // namespace

std::string SystemErrorText(int err) {
  char buffer[256] = {};
  const char* text = ResultText(strerror_r(err, buffer, sizeof buffer), buffer);
  std::string result = text;
  if (result.empty()) result = "Unknown error " + std::to_string(err);
  return result;
}
