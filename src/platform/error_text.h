// The system's own wording for an error number.
#pragma once

#include <string>

// The message the C library gives for `err` (an errno value), e.g.
// "Permission denied". Safe to call from any thread.
std::string SystemErrorText(int err);
