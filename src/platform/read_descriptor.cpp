#include "platform/read_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

int OpenForReading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC); }

int StandardInputBytes() { return STDIN_FILENO; }
