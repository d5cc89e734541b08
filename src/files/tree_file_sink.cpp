#include "files/tree_file_sink.h"

#include "files/archive.h"
#include "files/atomic_file_writer.h"
#include "files/tree_writer.h"

void TreeFileSink::Add(const ScannedNode& node) {
  m_item.pszText.assign(node.label);
  m_item.state = INDEXTOSTATEIMAGEMASK(node.stateImage);
  if (m_nDepth == 0 && m_tops == Tops::open) m_item.state |= TVIS_EXPANDED;
  m_item.iImage = node.images.image;
  m_item.iSelectedImage = node.images.selectedImage;
  m_item.cChildren = node.hasChildren ? 1 : 0;
  m_item.lParam = nullptr;
  if (node.record) {
    m_record = *node.record;
    m_item.lParam = &m_record;
  }
  WriteTreeRecord(m_item, m_nDepth + 1, m_ar);
  if (node.hasChildren) ++m_nDepth;
}

WorkFailure WriteTreeFileFrom(const std::string& path, TreeFileSink::Tops tops,
                              const std::function<void(TreeFileSink&)>& produce) {
  return RunWork([&] {
    CAtomicFileWriter writer(path);
    CArchive ar(writer.GetFile(), CArchive::store);
    TreeFileSink records(ar, tops);
    produce(records);
    ar.Close();
    writer.Commit();
  });
}
