#include <fcntl.h>
#include <io.h>

#include "platform/read_descriptor.h"
#include "platform/win/wide_text.h"

int OpenForReading(const char* path) {
  return _wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int StandardInputBytes() {
  _setmode(0, _O_BINARY);
  return 0;
}
