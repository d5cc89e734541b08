// The library: the catalogue files and folders searched when no others are
// named, kept as a plain text file the window and ztr-tool share
// ($XDG_CONFIG_HOME/ZTR/library, %APPDATA%\ZTR\library on Windows): one
// absolute path per line, UTF-8, a line starting with '#' a comment. Lines
// are kept as they are, also those that name nothing (a disk not mounted
// now); the file is replaced atomically.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class LibraryFile {
 public:
  // The library's file for this user; empty when there is no config folder.
  static std::string DefaultPath();

  // A file that does not exist is an empty library. Throws CFileException
  // when it cannot be read.
  static LibraryFile Load(const std::string& file);
  // Throws CFileException; the old file stays whole then.
  void Save(const std::string& file) const;

  // The paths, in the file's order (comments and blank lines left out).
  std::vector<std::string> Paths() const;
  // False when the path is there already.
  bool Add(const std::string& path);
  // False when no line holds the path.
  bool Remove(const std::string& path);

 private:
  static bool IsPath(const std::string& line);
  std::vector<std::string> m_lines;
};

// The catalogues a library entry or command-line path names: a file itself,
// or the *.ztr files anywhere below a folder, sorted. error tells when the
// path names nothing or a folder could not be read (what was found is
// still returned).
std::vector<std::string> CataloguesUnder(const std::string& path, std::string& error);

// The nodes of a catalogue: from its index (made now if need be), else
// counted record by record. False when the catalogue cannot be read to its
// end (error says why; nodes holds what was counted).
bool CountCatalogueNodes(const std::string& catalogue, const std::string& cacheFolder,
                         uint64_t& nodes, std::string& error);
