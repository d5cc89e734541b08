#include "search/query.h"

#include <algorithm>
#include <utility>

#include "platform/utf8.h"
#include "search/name_match.h"
#include "search/query_values.h"

// ---- Expressions ------------------------------------------------------------

class QueryExpr {
 public:
  virtual ~QueryExpr() = default;
  virtual bool Matches(const QueryNode& node) const = 0;
  // See Query::NameLiterals.
  virtual std::optional<std::vector<std::string>> Literals() const { return std::nullopt; }
};

namespace {

using ExprPtr = std::unique_ptr<QueryExpr>;
using LiteralSet = std::optional<std::vector<std::string>>;

std::string Lowered(std::string_view text) {
  std::string out;
  NodeNameLowerCase(text, out);
  return out;
}

// A text term: found anywhere in its subject, or with '*' or '?' the whole
// subject as a pattern; lower-cased on both sides unless case matters.
class TextPattern {
 public:
  TextPattern(std::string_view text, bool matchCase)
      : m_text(matchCase ? std::string(text) : Lowered(text)),
        m_bWildcard(text.find_first_of("*?") != std::string_view::npos),
        m_bMatchCase(matchCase) {}

  // lowered: the subject lower-cased, or null to have it done here.
  bool Matches(std::string_view shown, const std::string_view* lowered) const {
    const std::string_view subject = Subject(shown, lowered);
    return m_bWildcard ? WholeWildcardMatch(subject, m_text)
                       : subject.find(m_text) != std::string_view::npos;
  }
  // The whole subject, with or without wildcards.
  bool MatchesWhole(std::string_view shown, const std::string_view* lowered) const {
    return WholeWildcardMatch(Subject(shown, lowered), m_text);
  }

  // The subject as compared: lower-cased (into a buffer of this thread when
  // not given) unless case matters.
  std::string_view Subject(std::string_view shown, const std::string_view* lowered) const {
    if (m_bMatchCase) return shown;
    if (lowered != nullptr) return *lowered;
    thread_local std::string buffer;
    NodeNameLowerCase(shown, buffer);
    return buffer;
  }

  // The longest run without a wildcard, lower-cased: every matching name
  // holds it.
  LiteralSet NameLiterals(std::string_view prefix = {}) const {
    std::string_view longest, rest = m_text;
    while (!rest.empty()) {
      const size_t cut = std::min(rest.find_first_of("*?"), rest.size());
      if (cut > longest.size()) longest = rest.substr(0, cut);
      rest.remove_prefix(std::min(cut + 1, rest.size()));
    }
    if (longest.empty() && prefix.empty()) return std::nullopt;
    // A run at the pattern's start may follow the prefix directly.
    std::string literal(longest);
    if (!prefix.empty() && (m_text.starts_with(longest) || longest.empty()))
      literal = std::string(prefix) + literal;
    return std::vector<std::string>{Lowered(literal)};
  }

 private:
  std::string m_text;
  bool m_bWildcard;
  bool m_bMatchCase;
};

enum class Subject { name, path, catalogue };

class TextTerm : public QueryExpr {
 public:
  TextTerm(Subject subject, TextPattern pattern)
      : m_subject(subject), m_pattern(std::move(pattern)) {}
  bool Matches(const QueryNode& node) const override {
    switch (m_subject) {
      case Subject::name:
        return m_pattern.Matches(node.name, &node.lowerName);
      case Subject::catalogue:
        return m_pattern.Matches(node.catalogueName, nullptr);
      case Subject::path: {
        if (node.path == nullptr) return false;
        // Either separator matches either: a catalogue from Windows joins
        // its top label with '\\'.
        thread_local std::string slashed;
        slashed.assign(node.path->Path());
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        return m_pattern.Matches(slashed, nullptr);
      }
    }
    return false;
  }
  LiteralSet Literals() const override {
    return m_subject == Subject::name ? m_pattern.NameLiterals() : std::nullopt;
  }

 private:
  Subject m_subject;
  TextPattern m_pattern;
};

// folder: and file:, alone or with a term for the name.
class KindTerm : public QueryExpr {
 public:
  KindTerm(bool file, ExprPtr name) : m_bFile(file), m_name(std::move(name)) {}
  bool Matches(const QueryNode& node) const override {
    return node.isFile == m_bFile && (!m_name || m_name->Matches(node));
  }
  LiteralSet Literals() const override { return m_name ? m_name->Literals() : std::nullopt; }

 private:
  bool m_bFile;
  ExprPtr m_name;
};

class ExtensionTerm : public QueryExpr {
 public:
  explicit ExtensionTerm(std::vector<TextPattern> extensions)
      : m_extensions(std::move(extensions)) {}
  bool Matches(const QueryNode& node) const override {
    const size_t dot = node.name.rfind('.');
    if (!node.isFile || dot == std::string_view::npos) return false;
    const std::string_view shown = node.name.substr(dot + 1);
    const std::string_view lowered = node.lowerName.substr(node.lowerName.rfind('.') + 1);
    return std::any_of(m_extensions.begin(), m_extensions.end(),
                       [&](const TextPattern& p) { return p.MatchesWhole(shown, &lowered); });
  }
  LiteralSet Literals() const override {
    std::vector<std::string> all;
    for (const TextPattern& p : m_extensions) {
      const auto one = p.NameLiterals(".");
      if (!one) return std::nullopt;
      all.insert(all.end(), one->begin(), one->end());
    }
    return all;
  }

 private:
  std::vector<TextPattern> m_extensions;
};

enum class Field { size, modified, created, depth };

class RangeTerm : public QueryExpr {
 public:
  RangeTerm(Field field, ValueRange range) : m_field(field), m_range(range) {}
  bool Matches(const QueryNode& node) const override {
    if (m_field == Field::depth) return m_range.Contains(node.depth);
    if (!node.isFile) return false;
    if (m_field == Field::size) return m_range.Contains(node.size);
    const auto day = DayKey(m_field == Field::modified ? node.modified : node.created);
    return day && m_range.Contains(*day);
  }

 private:
  Field m_field;
  ValueRange m_range;
};

class AttributeTerm : public QueryExpr {
 public:
  AttributeTerm(uint32_t mask, bool folder) : m_mask(mask), m_bFolder(folder) {}
  bool Matches(const QueryNode& node) const override {
    if (m_bFolder && node.isFile) return false;
    if (m_mask == 0) return true;
    return node.isFile && (node.attributes & m_mask) == m_mask;
  }

 private:
  uint32_t m_mask;
  bool m_bFolder;
};

class DupeTerm : public QueryExpr {
 public:
  explicit DupeTerm(bool sizeOnly) : m_bSizeOnly(sizeOnly) {}
  bool Matches(const QueryNode& node) const override {
    return node.isFile && (m_bSizeOnly ? node.sizeDupe : node.dupe);
  }

 private:
  bool m_bSizeOnly;
};

class NotExpr : public QueryExpr {
 public:
  explicit NotExpr(ExprPtr inner) : m_inner(std::move(inner)) {}
  bool Matches(const QueryNode& node) const override { return !m_inner->Matches(node); }

 private:
  ExprPtr m_inner;
};

class AllExpr : public QueryExpr {
 public:
  explicit AllExpr(std::vector<ExprPtr> parts) : m_parts(std::move(parts)) {}
  bool Matches(const QueryNode& node) const override {
    return std::all_of(m_parts.begin(), m_parts.end(),
                       [&](const ExprPtr& p) { return p->Matches(node); });
  }
  // The part whose shortest literal is longest: the fewest candidates.
  LiteralSet Literals() const override {
    LiteralSet best;
    size_t bestLength = 0;
    for (const ExprPtr& p : m_parts) {
      LiteralSet one = p->Literals();
      if (!one) continue;
      size_t shortest = SIZE_MAX;
      for (const std::string& s : *one) shortest = std::min(shortest, s.size());
      if (!best || shortest > bestLength) best = std::move(one), bestLength = shortest;
    }
    return best;
  }

 private:
  std::vector<ExprPtr> m_parts;
};

class AnyExpr : public QueryExpr {
 public:
  explicit AnyExpr(std::vector<ExprPtr> parts) : m_parts(std::move(parts)) {}
  bool Matches(const QueryNode& node) const override {
    return std::any_of(m_parts.begin(), m_parts.end(),
                       [&](const ExprPtr& p) { return p->Matches(node); });
  }
  LiteralSet Literals() const override {
    std::vector<std::string> all;
    for (const ExprPtr& p : m_parts) {
      const auto one = p->Literals();
      if (!one) return std::nullopt;
      all.insert(all.end(), one->begin(), one->end());
    }
    return all;
  }

 private:
  std::vector<ExprPtr> m_parts;
};

// ---- Reading the query --------------------------------------------------------

struct Token {
  enum Kind { term, open, close, either, negate, end } kind = end;
  std::string text;                  // a term's text, its quotes taken out
  size_t colon = std::string::npos;  // the first ':' outside quotes
  std::string_view shown;            // the term as typed, for messages
};

[[noreturn]] void Fail(std::string_view term, std::string_view problem) {
  throw QueryError(std::string(term) + ": " + std::string(problem));
}

std::vector<Token> Tokenize(std::string_view query) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (true) {
    while (i < query.size() && (query[i] == ' ' || query[i] == '\t')) ++i;
    Token token;
    if (i == query.size()) break;
    const size_t start = i;
    const char c = query[i];
    if (c == '<' || c == '>' || c == '|' || c == '!') {
      token.kind = c == '<'   ? Token::open
                   : c == '>' ? Token::close
                   : c == '|' ? Token::either
                              : Token::negate;
      ++i;
    } else {
      token.kind = Token::term;
      bool quoted = false;
      for (; i < query.size(); ++i) {
        const char ch = query[i];
        if (ch == '"') {
          quoted = !quoted;
          continue;
        }
        if (!quoted) {
          if (ch == ' ' || ch == '\t' || ch == '|') break;
          // '>' closes a group, except as the comparison right after a
          // function's colon (size:>1gb).
          if (ch == '>' &&
              !(token.colon != std::string::npos && token.colon + 1 == token.text.size()))
            break;
          if (ch == ':' && token.colon == std::string::npos) token.colon = token.text.size();
        }
        token.text += ch;
      }
      if (quoted) Fail(query.substr(start), "the quote is not closed");
    }
    token.shown = query.substr(start, i - start);
    tokens.push_back(std::move(token));
  }
  tokens.push_back(Token{});
  return tokens;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, bool matchCase)
      : m_tokens(std::move(tokens)), m_bMatchCase(matchCase) {}

  ExprPtr ParseAll() {
    if (Peek().kind == Token::end) Fail("the query", "it is empty");
    ExprPtr all = ParseSequence();
    if (Peek().kind == Token::close) Fail(">", "there is no group to close (a '<' before it)");
    return all;
  }

  bool usesPath = false, usesName = false, usesDupes = false, usesSizeDupes = false;

 private:
  const Token& Peek() const { return m_tokens[m_next]; }
  const Token& Take() { return m_tokens[m_next++]; }

  ExprPtr ParseSequence() {
    std::vector<ExprPtr> parts;
    while (Peek().kind != Token::end && Peek().kind != Token::close) parts.push_back(ParseEither());
    if (parts.size() == 1) return std::move(parts.front());
    return std::make_unique<AllExpr>(std::move(parts));
  }

  ExprPtr ParseEither() {
    std::vector<ExprPtr> parts;
    parts.push_back(ParseUnary());
    while (Peek().kind == Token::either) {
      Take();
      const Token::Kind next = Peek().kind;
      if (next == Token::end || next == Token::close || next == Token::either)
        Fail("|", "expected a term on each side");
      parts.push_back(ParseUnary());
    }
    if (parts.size() == 1) return std::move(parts.front());
    return std::make_unique<AnyExpr>(std::move(parts));
  }

  ExprPtr ParseUnary() {
    const Token& token = Take();
    switch (token.kind) {
      case Token::negate: {
        const Token::Kind next = Peek().kind;
        if (next == Token::end || next == Token::close || next == Token::either)
          Fail("!", "expected a term after it");
        return std::make_unique<NotExpr>(ParseUnary());
      }
      case Token::open: {
        if (Peek().kind == Token::close) Fail("<>", "the group is empty");
        ExprPtr inner = ParseSequence();
        if (Take().kind != Token::close) Fail("<", "the group is not closed with '>'");
        return inner;
      }
      case Token::either:
        Fail("|", "expected a term on each side");
      case Token::close:
        Fail(">", "there is no group to close (a '<' before it)");
      case Token::end:
        Fail("the query", "it is empty");
      case Token::term:
        break;
    }
    return MakeTerm(token.text, token.colon, token.shown, m_bMatchCase);
  }

  ExprPtr MakeTerm(std::string_view text, size_t colon, std::string_view shown, bool matchCase) {
    std::string function;
    if (colon != std::string::npos) function = Lowered(text.substr(0, colon));
    const std::string_view value = colon == std::string::npos ? text : text.substr(colon + 1);
    const auto expect = [&](std::string_view what) {
      // The operand without its comparison: size:>abc says "abc".
      const std::string_view operand =
          value.substr(std::min(value.find_first_not_of("<>="), value.size()));
      Fail(shown, "\"" + std::string(operand) + "\" is not " + std::string(what));
    };
    if (function == "case") {
      if (value.empty()) Fail(shown, "expected a term after it (case:README)");
      return MakeTerm(value, value.find(':'), shown, true);
    }
    if (function == "path" || function == "cat") {
      if (value.empty()) Fail(shown, "expected text after the colon");
      usesPath |= function == "path";
      return std::make_unique<TextTerm>(
          function == "path" ? Subject::path : Subject::catalogue,
          TextPattern(PathText(value, function == "path"), matchCase));
    }
    if (function == "folder" || function == "file") {
      ExprPtr name;
      if (!value.empty()) name = MakeTerm(value, value.find(':'), shown, matchCase);
      return std::make_unique<KindTerm>(function == "file", std::move(name));
    }
    if (function == "ext") {
      std::vector<TextPattern> extensions;
      size_t from = 0;
      while (from <= value.size()) {
        const size_t to = std::min(value.find_first_of(";,", from), value.size());
        if (to > from) extensions.emplace_back(value.substr(from, to - from), matchCase);
        from = to + 1;
      }
      if (extensions.empty()) expect("a list of extensions (examples: jpg, jpg;png)");
      usesName = true;
      return std::make_unique<ExtensionTerm>(std::move(extensions));
    }
    if (function == "size") {
      const auto range = ParseSizeRange(value);
      if (!range) expect("a size (examples: 10mb, >1gb, 1kb..2kb)");
      return std::make_unique<RangeTerm>(Field::size, *range);
    }
    if (function == "dm" || function == "dc") {
      const auto range = ParseDateRange(value);
      if (!range) expect("a date (examples: 2019, 2019-06, >=2023-01-15, 2019..2020)");
      return std::make_unique<RangeTerm>(function == "dm" ? Field::modified : Field::created,
                                         *range);
    }
    if (function == "depth") {
      const auto range = ParseCountRange(value);
      if (!range) expect("a depth (examples: 0, 2, >1, 1..3)");
      return std::make_unique<RangeTerm>(Field::depth, *range);
    }
    if (function == "attrib") return MakeAttributes(value, shown);
    if (function == "dupe" || function == "sizedupe") {
      if (!value.empty()) Fail(shown, "takes no value");
      (function == "dupe" ? usesDupes : usesSizeDupes) = true;
      return std::make_unique<DupeTerm>(function == "sizedupe");
    }
    // Not a function: the colon is part of the text.
    if (text.empty()) Fail(shown, "expected text between the quotes");
    usesName = true;
    return std::make_unique<TextTerm>(Subject::name, TextPattern(text, matchCase));
  }

  // A path term in '/' form: a catalogue from Windows joins its top label
  // with '\', and either separator may be typed.
  static std::string PathText(std::string_view value, bool isPath) {
    std::string text(value);
    if (isPath) std::replace(text.begin(), text.end(), '\\', '/');
    return text;
  }

  static ExprPtr MakeAttributes(std::string_view value, std::string_view shown) {
    static constexpr std::pair<char, uint32_t> kLetters[] = {
        {'r', 0x1}, {'h', 0x2}, {'s', 0x4}, {'a', 0x20}, {'l', 0x400}, {'c', 0x800}, {'e', 0x4000}};
    uint32_t mask = 0;
    bool folder = false;
    if (value.empty()) Fail(shown, "expected attribute letters (r h s d a l c e)");
    for (char c : value) {
      c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      if (c == 'd') {
        folder = true;
        continue;
      }
      const auto* it = std::find_if(std::begin(kLetters), std::end(kLetters),
                                    [c](const auto& l) { return l.first == c; });
      if (it == std::end(kLetters))
        Fail(shown, "\"" + std::string(1, c) + "\" is not an attribute letter (r h s d a l c e)");
      mask |= it->second;
    }
    return std::make_unique<AttributeTerm>(mask, folder);
  }

  std::vector<Token> m_tokens;
  size_t m_next = 0;
  bool m_bMatchCase;
};

size_t CharLength(std::string_view text, size_t at) {
  const size_t n = Utf8SequenceLength(static_cast<unsigned char>(text[at]));
  return std::clamp<size_t>(n, 1, text.size() - at);
}

}  // namespace

// ---- Query --------------------------------------------------------------------

Query Query::Parse(std::string_view text, bool matchCase) {
  std::vector<Token> tokens = Tokenize(text);
  // A "case:" of its own makes the whole query match case.
  const auto global = std::remove_if(tokens.begin(), tokens.end(), [](const Token& t) {
    return t.kind == Token::term && t.colon == 4 && t.text.size() == 5 &&
           Lowered(t.text) == "case:";
  });
  if (global != tokens.end()) matchCase = true;
  tokens.erase(global, tokens.end());
  Parser parser(std::move(tokens), matchCase);
  Query query;
  query.m_root = parser.ParseAll();
  query.m_literals = query.m_root->Literals();
  query.m_bUsesPath = parser.usesPath;
  query.m_bUsesName = parser.usesName;
  query.m_bUsesDupes = parser.usesDupes;
  query.m_bUsesSizeDupes = parser.usesSizeDupes;
  return query;
}

Query::Query(Query&&) noexcept = default;
Query& Query::operator=(Query&&) noexcept = default;
Query::~Query() = default;

bool Query::Matches(const QueryNode& node) const { return m_root->Matches(node); }

void NodeNameLowerCase(std::string_view name, std::string& out) {
  out.assign(name);
  LowerCaseText(out);
}

bool WholeWildcardMatch(std::string_view text, std::string_view pattern) {
  size_t t = 0, p = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      t += CharLength(text, t);
      ++p;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++t, ++p;
    } else if (starP != std::string_view::npos) {
      // The star takes one more character; the rest is tried again after it.
      starT += CharLength(text, starT);
      t = starT;
      p = starP;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string AttributeLetters(uint32_t attributes, bool isFile) {
  static constexpr std::pair<char, uint32_t> kLetters[] = {{'r', 0x1},   {'h', 0x2},   {'s', 0x4},
                                                           {'d', 0x10},  {'a', 0x20},  {'l', 0x400},
                                                           {'c', 0x800}, {'e', 0x4000}};
  const uint32_t bits = isFile ? attributes : 0x10;
  std::string letters;
  for (const auto& [letter, bit] : kLetters)
    if (bits & bit) letters += letter;
  return letters;
}
