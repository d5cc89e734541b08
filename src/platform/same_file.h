// Whether two names lead to one file.
#pragma once

#include <string>

// True when both UTF-8 paths exist and name the same file: the same device
// and inode (on Windows the same volume and file index), so another spelling,
// a symbolic link or a hard link is caught too.
bool IsSameFile(const std::string& a, const std::string& b);
