#include "search/library_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "platform/user_folders.h"
#include "platform/utf8_path.h"
#include "search/catalogue_index.h"
#include "search/catalogue_nodes.h"

std::string LibraryFile::DefaultPath() {
  const std::string folder = UserConfigFolder();
  if (folder.empty()) return {};
#ifdef _WIN32
  return folder + "\\ZTR\\library";
#else
  return folder + "/ZTR/library";
#endif
}

LibraryFile LibraryFile::Load(const std::string& file) {
  LibraryFile library;
  std::error_code error;
  if (!std::filesystem::exists(Utf8Path(file), error)) return library;
  CFile in;
  in.OpenRead(file);
  std::string text;
  char buffer[65536];
  for (size_t got; (got = in.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  size_t from = 0;
  while (from < text.size()) {
    size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    std::string line = text.substr(from, to - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    library.m_lines.push_back(std::move(line));
    from = to + 1;
  }
  return library;
}

void LibraryFile::Save(const std::string& file) const {
  std::error_code error;
  std::filesystem::create_directories(Utf8Path(file).parent_path(), error);
  std::string text;
  for (const std::string& line : m_lines) text += line + '\n';
  CAtomicFileWriter writer(file);
  writer.GetFile().Write(text.data(), text.size());
  writer.Commit();
}

bool LibraryFile::IsPath(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && line[first] != '#';
}

std::vector<std::string> LibraryFile::Paths() const {
  std::vector<std::string> paths;
  for (const std::string& line : m_lines)
    if (IsPath(line)) paths.push_back(line);
  return paths;
}

bool LibraryFile::Add(const std::string& path) {
  if (std::find(m_lines.begin(), m_lines.end(), path) != m_lines.end()) return false;
  m_lines.push_back(path);
  return true;
}

bool LibraryFile::Remove(const std::string& path) {
  const auto kept = std::remove(m_lines.begin(), m_lines.end(), path);
  const bool found = kept != m_lines.end();
  m_lines.erase(kept, m_lines.end());
  return found;
}

std::vector<std::string> CataloguesUnder(const std::string& path, std::string& error) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  const fs::path root = Utf8Path(path);
  const fs::file_status status = fs::status(root, ec);
  if (ec || !fs::exists(status)) {
    error =
        ec && ec != std::errc::no_such_file_or_directory ? ec.message() : "no such file or folder";
    return found;
  }
  if (!fs::is_directory(status)) return {path};
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string name = Utf8Text(it->path().filename());
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.size() > 4 && name.ends_with(".ztr") && it->is_regular_file(ec))
      found.push_back(Utf8Text(it->path()));
  }
  if (ec) error = ec.message();
  std::sort(found.begin(), found.end());
  return found;
}

bool CountCatalogueNodes(const std::string& catalogue, const std::string& cacheFolder,
                         uint64_t& nodes, std::string& error) {
  if (auto index = CatalogueIndex::Open(catalogue, cacheFolder, {}, error)) {
    nodes = index->NodeCount();
    return true;
  }
  if (!error.empty()) return false;
  nodes = 0;
  const CatalogueWalkEnd end = WalkCatalogue(catalogue, [&](const CatalogueNode&) {
    ++nodes;
    return true;
  });
  error = end.message;
  return end.complete;
}
