#include "files/scan_to_file.h"

#include "files/tree_file_sink.h"
#include "tree/scan_walker.h"
#include "tree/tree_ctrl.h"

namespace {

// Passes the nodes on, keeping the chosen folder's label when it could not
// be read.
class ChosenFolderLabel : public ScanSink {
 public:
  explicit ChosenFolderLabel(ScanSink& next) : m_next(next) {}
  void Add(const ScannedNode& node) override {
    if (m_bFirst && node.stateImage == kStateUnreadable) m_label.assign(node.label);
    m_bFirst = false;
    m_next.Add(node);
  }
  void EndChildren() override { m_next.EndChildren(); }
  const std::string& UnreadableLabel() const { return m_label; }

 private:
  ScanSink& m_next;
  bool m_bFirst = true;
  std::string m_label;
};

}  // namespace

ScanToFileOutcome ScanFoldersToFile(const std::vector<std::string>& folders,
                                    const std::string& path, ScanProgress& progress) {
  ScanToFileOutcome outcome;
  // File New leaves each folder it scanned open, and Save keeps that.
  outcome.failure = WriteTreeFileFrom(path, TreeFileSink::Tops::open, [&](TreeFileSink& records) {
    for (const std::string& folder : folders) {
      ChosenFolderLabel sink(records);
      FolderScanner scanner(sink, progress);
      scanner.Scan(folder.c_str());
      if (!sink.UnreadableLabel().empty()) outcome.notEntered.push_back(sink.UnreadableLabel());
      const ScanCounts& counts = scanner.Counts();
      outcome.counts.folders += counts.folders;
      outcome.counts.files += counts.files;
      outcome.counts.bytes += counts.bytes;
    }
  });
  return outcome;
}
