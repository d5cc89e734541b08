// libFuzzer target for Find's name matching: any label, search text and
// options must give an answer without reading outside the inputs. Each input
// is copied into a heap block of exactly its size (plus the terminator for the
// C-string matcher), so the address sanitizer catches any overread.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "search/name_match.h"
#include "support/name_match_oracles.h"

namespace {

struct HeapCopy {
  explicit HeapCopy(const std::string& s)
      : view(new char[s.size()]), cstr(new char[s.size() + 1]), size(s.size()) {
    s.copy(view.get(), s.size());
    s.copy(cstr.get(), s.size());
    cstr[s.size()] = '\0';
  }
  std::string_view View() const { return {view.get(), size}; }
  std::unique_ptr<char[]> view;  // no terminator
  std::unique_ptr<char[]> cstr;
  size_t size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool exactMatch = input.ConsumeBool();
  const bool ignoreCase = input.ConsumeBool();
  const HeapCopy label(input.ConsumeRandomLengthString());
  std::string text = input.ConsumeRemainingBytesAsString();
  if (ignoreCase) LowerCaseText(text);  // as Find stores it
  const HeapCopy searchText(text);

  WildcardMatch(label.cstr.get(), searchText.cstr.get());
  const bool matched = MatchName(label.View(), searchText.View(), exactMatch, ignoreCase);
  NameMatcher matcher(searchText.View(), exactMatch, ignoreCase);
  if (matcher.Matches(label.View()) != matched) std::abort();

  // The name is a part of the label from its start, and the extension is empty
  // or one '.' with what follows it.
  std::string stem, ext;
  SplitItemLabel(label.View(), ignoreCase, stem, ext);
  const std::string_view name = ItemLabelName(label.View());
  if (name.data() != label.view.get() || name.size() > label.size) std::abort();
  if (!ignoreCase && stem + ext != name) std::abort();
  if (!ext.empty() && (ext[0] != '.' || ext.find('.', 1) != std::string::npos)) std::abort();
  return 0;
}
