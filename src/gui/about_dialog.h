// The About box: the product line, the icon, the notice, and two pictures that link to the
// page about ZTR.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QUrl>
#include <functional>

class QLabel;

class CAboutDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens a web page in the user's browser; true when it was handed on.
  using UrlOpener = std::function<bool(const QUrl&)>;

  explicit CAboutDialog(QWidget* parent = nullptr);

  // The page both pictures open; the web-address picture shows it.
  const QUrl& Link() const { return m_link; }

  // Replaces the browser (tests capture the address instead of opening it).
  void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

  // The pointer moved to / the left button went up at `point`, in the dialog's coordinates.
  void OnMouseMove(QPoint point);
  // True when the release was over a picture and the web page was asked for.
  bool OnLButtonUp(QPoint point);

  QLabel* m_picWebLink = nullptr;  // owned by the dialog
  QLabel* m_picCredit = nullptr;   // owned by the dialog
  int m_nHot = 0;                  // kAboutHotNone, kAboutHotWebLink or kAboutHotCredit
  QPixmap m_bmpWebLink;
  QPixmap m_bmpWebLinkHot;
  QPixmap m_bmpCredit;
  QPixmap m_bmpCreditHot;

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Draws the pictures for the screen the dialog opens on.
  void OnInitDialog();
  // The picture whose rectangle holds `point`, the web link tested first.
  int PictureAt(QPoint point) const;

  QLabel* m_icon = nullptr;
  QUrl m_link;
  UrlOpener m_openUrl;
  bool m_bInitialized = false;
};

// Runs the About box modally over parent.
void RunAboutDialog(QWidget* parent);
