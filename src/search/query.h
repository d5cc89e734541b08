// The search language of ztr-tool search (and of the window's results list):
// terms joined by spaces must all match, '|' between terms is OR and binds
// tighter than the space, '!' negates, double quotes keep spaces, '<' '>'
// group; plain terms are found anywhere in a node's name, terms with '*' or
// '?' match the whole name, and functions (size:, dm:, ext:, ...) test the
// other facts of a node. The README lists them with examples.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

// A query that cannot be read: what() is one line naming the term and what
// was expected there.
class QueryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a query finds a node's path, asked only by the terms that need it.
class QueryPathSource {
 public:
  // The path as shown: the labels above the node and its name, as find joins them.
  virtual std::string_view Path() = 0;

 protected:
  ~QueryPathSource() = default;
};

// One node as a query sees it. Texts are as the window shows them (UTF-8).
struct QueryNode {
  std::string_view name;           // a file's name without its size and date; a folder's label
  std::string_view lowerName;      // name lower-cased (NodeNameLowerCase)
  std::string_view catalogueName;  // the catalogue file's own name
  QueryPathSource* path = nullptr;
  bool isFile = false;  // a node with a file record
  int depth = 0;        // 0 for a top-level node
  int64_t size = 0;
  uint32_t attributes = 0;
  FILETIME modified{};
  FILETIME created{};
  bool dupe = false;      // its name and size occur more than once (when asked for)
  bool sizeDupe = false;  // its size occurs more than once (when asked for)
};

class QueryExpr;

class Query {
 public:
  // Throws QueryError. matchCase makes every text term compare case exactly.
  static Query Parse(std::string_view text, bool matchCase = false);

  Query(Query&&) noexcept;
  Query& operator=(Query&&) noexcept;
  ~Query();

  bool Matches(const QueryNode& node) const;

  bool UsesPath() const { return m_bUsesPath; }
  // Whether a term compares the node's name (else the lower-cased name is
  // not asked for).
  bool UsesName() const { return m_bUsesName; }
  bool UsesDupes() const { return m_bUsesDupes; }
  bool UsesSizeDupes() const { return m_bUsesSizeDupes; }
  // Texts one of which occurs in the lower-cased name of every node the
  // query matches; none when no such set is known (a node may match by its
  // size alone, say). An index finds its candidates with them.
  const std::optional<std::vector<std::string>>& NameLiterals() const { return m_literals; }

 private:
  Query() = default;

  std::unique_ptr<QueryExpr> m_root;
  std::optional<std::vector<std::string>> m_literals;
  bool m_bUsesPath = false;
  bool m_bUsesName = false;
  bool m_bUsesDupes = false;
  bool m_bUsesSizeDupes = false;
};

// The text a query compares for a name: lower-cased as Find lower-cases.
void NodeNameLowerCase(std::string_view name, std::string& out);

// Whether text matches pattern as a whole, '*' standing for any run of
// characters and '?' for one character (of UTF-8 text).
bool WholeWildcardMatch(std::string_view text, std::string_view pattern);

// The attrib: letters of a node's attributes, in the order r h s d a l c e
// (a folder is "d"), as search's output and exports show them.
std::string AttributeLetters(uint32_t attributes, bool isFile);
