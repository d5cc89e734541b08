// The temporary file of an atomic save: a name no other file has, and the
// record a signal handler reads to remove it (PendingTemporaryFile()).
#pragma once

#include <string>

// Six random letters and digits for a temporary file's name.
std::string RandomSuffix();

// Records `path` as the temporary file being written, or none.
void SetPendingTemporaryFile(const std::string& path);
void ClearPendingTemporaryFile();
