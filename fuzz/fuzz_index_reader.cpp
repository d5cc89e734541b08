// libFuzzer target for reading a catalogue's search index from the cache.
// The input changes bytes of a good index: pairs of a place (four bytes) and
// a byte to mix in there. With the first input byte odd, every hash is made
// to fit the changed bytes, so the reading behind the hashes is tried too.
// Whatever the index holds, a search must neither crash nor hang; an index
// whose hashes do not fit must be found out and made again, so the search
// then gives what streaming gives.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/tree_file_bytes.h"
#include "search/catalogue_index.h"
#include "search/catalogue_search.h"
#include "search/query.h"
#include "tree_fuzzing.h"

using namespace tree_fuzzing;

namespace {

class CountingSink final : public SearchSink {
 public:
  void Found(size_t, std::vector<SearchRow>& rows) override {
    for (const SearchRow& row : rows) paths += row.path + '\n';
  }
  void Failed(size_t, const std::string& message) override { paths += "! " + message + '\n'; }
  std::string paths;
};

std::string Search(const std::string& catalogue, const std::string& cache, bool useIndex) {
  static const Query query = Query::Parse("file1|x7");
  CountingSink sink;
  SearchOptions options;
  options.useIndex = useIndex;
  options.cacheFolder = cache;
  SearchLibrary(query, std::span(&catalogue, 1), sink, nullptr, options);
  return sink.paths;
}

struct Library {
  Scratch scratch{"fuzz_index_reader"};
  std::string catalogue = scratch.Path("disk.ztr");
  std::string cache = scratch.Path("cache");
  std::string index;
  std::string good;      // the index as built
  std::string streamed;  // the search's results without an index

  Library() {
    // Three blocks of nodes, in a few folders.
    cli_test::TreeFileBytes bytes;
    bytes.Record("/data", 1);
    for (int i = 0; i < 1300; ++i) {
      if (i % 300 == 0) bytes.Record("dir" + std::to_string(i), 2);
      const cli_test::RawData data{0x20, i, 0, 0, 0};
      bytes.Record("file" + std::to_string(i) + ".txt   " + std::to_string(i) + " bytes", 3, 5, 5,
                   0, 1, &data);
    }
    bytes.WriteTo(catalogue);
    streamed = Search(catalogue, cache, false);
    Check(Search(catalogue, cache, true) == streamed, "the indexed search differs");
    index = CatalogueIndex::IndexPath(catalogue, cache);
    std::ifstream in(index, std::ios::binary);
    good.assign(std::istreambuf_iterator<char>(in), {});
    Check(!good.empty(), "no index was made");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Library library;
  if (size == 0) return 0;
  std::string image = library.good;
  for (size_t i = 1; i + 5 <= size; i += 5) {
    uint32_t at;
    std::memcpy(&at, data + i, 4);
    image[at % image.size()] ^= static_cast<char>(data[i + 4]);
  }
  const bool rehashed = (data[0] & 1) != 0;
  if (rehashed) CatalogueIndex::RehashImage(image);
  std::ofstream(library.index, std::ios::binary | std::ios::trunc) << image;
  const std::string found = Search(library.catalogue, library.cache, true);
  // An index that lies behind fitting hashes may miss candidates, but an
  // index with broken hashes is never believed.
  if (!rehashed && found != library.streamed) Fail("a damaged index changed the results", found);
  return 0;
}
