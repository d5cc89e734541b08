#include "gui/about_dialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "about/about_hot.h"
#include "about/about_links.h"
#include "gui/artwork.h"

namespace {

constexpr int kIconSize = 32;

// Text the window system must see through: the dialog tracks the pointer over all of it, so a
// label that kept the mouse would hide a move off a picture.
QLabel* StaticText(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);  // no markup, no mnemonics: '&' shows as itself
  label->setAlignment(Qt::AlignCenter);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

// A picture in a sunken frame, shown at its own size. The dialog does the hit testing.
QLabel* Picture(AboutPictureKind kind, const char* name, const QString& accessibleName,
                QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setLineWidth(1);
  label->setAlignment(Qt::AlignCenter);
  const int frame = 2 * label->frameWidth();
  label->setFixedSize(AboutPictureSize(kind) + QSize(frame, frame));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->setAccessibleName(accessibleName);
  return label;
}

// The page this build's About box opens, as an address the browser takes.
QUrl BuiltAboutUrl() {
  const AboutLink link =
      ChooseAboutLink(BuiltAboutLinkPlaces(QCoreApplication::applicationDirPath().toStdString()));
  const QString address = QString::fromStdString(link.address);
  return link.localFile ? QUrl::fromLocalFile(address) : QUrl(address);
}

QRect RectInDialog(const QWidget* dialog, const QWidget* child) {
  return QRect(child->mapTo(dialog, QPoint(0, 0)), child->size());
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent),
      m_link(BuiltAboutUrl()),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName("CAboutDialog");
  setWindowTitle("About");
  setMouseTracking(true);  // moves without a button must reach OnMouseMove

  const QString address = m_link.toString();
  m_icon = new QLabel(this);
  m_icon->setObjectName("icon");
  m_icon->setFixedSize(kIconSize, kIconSize);
  m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* product =
      StaticText("Tallowin Verudodiv Azudid - 1.04\n(Public Version)", "productLine", this);
  auto* notice = StaticText("Copyright (C) 2003 ZTR Project", "noticeLine", this);
  m_picWebLink = Picture(AboutPictureKind::WebLink, "webLink", address, this);
  auto* credit = StaticText("Developed by the ZTR Project", "creditLine", this);
  m_picCredit = Picture(AboutPictureKind::Credit, "credit", "ZTR Project: " + address, this);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ok");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  // Every line is centred on the dialog; the icon sits left of the product line, balanced by
  // the same space on the right so the product line stays centred too.
  auto* top = new QHBoxLayout;
  top->addWidget(m_icon, 0, Qt::AlignTop);
  top->addWidget(product, 1);
  top->addSpacing(kIconSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(22, 12, 22, 12);
  layout->setSpacing(6);
  layout->addLayout(top);
  layout->addSpacing(4);
  layout->addWidget(notice);
  layout->addWidget(m_picWebLink, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(credit);
  layout->addWidget(m_picCredit, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // Room like the classic box's: the notice line spans about 199 of its 235 dialog units.
  notice->setMinimumWidth(199 * fontMetrics().averageCharWidth() / 4);
  ok->setMinimumWidth(75);
}

void CAboutDialog::showEvent(QShowEvent* event) {
  // The window exists now, so the pictures are drawn for the density of its screen.
  if (!m_bInitialized) {
    m_bInitialized = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CAboutDialog::OnInitDialog() {
  const qreal dpr = devicePixelRatioF();
  const QString address = m_link.toString();
  m_bmpWebLink = AboutPicture(AboutPictureKind::WebLink, false, dpr, address);
  m_bmpWebLinkHot = AboutPicture(AboutPictureKind::WebLink, true, dpr, address);
  m_bmpCredit = AboutPicture(AboutPictureKind::Credit, false, dpr);
  m_bmpCreditHot = AboutPicture(AboutPictureKind::Credit, true, dpr);
  m_picWebLink->setPixmap(m_bmpWebLink);
  m_picCredit->setPixmap(m_bmpCredit);
  m_icon->setPixmap(ApplicationIcon().pixmap(QSize(kIconSize, kIconSize), dpr));
  if (auto* ok = findChild<QPushButton*>("ok")) ok->setFocus();
}

int CAboutDialog::PictureAt(QPoint point) const {
  if (RectInDialog(this, m_picWebLink).contains(point)) return kAboutHotWebLink;
  if (RectInDialog(this, m_picCredit).contains(point)) return kAboutHotCredit;
  return kAboutHotNone;
}

void CAboutDialog::OnMouseMove(QPoint point) {
  const int under = PictureAt(point);
  if (const auto swap = AboutHotMove(m_nHot, under)) {
    if (swap->picture == kAboutHotWebLink)
      m_picWebLink->setPixmap(swap->hot ? m_bmpWebLinkHot : m_bmpWebLink);
    else
      m_picCredit->setPixmap(swap->hot ? m_bmpCreditHot : m_bmpCredit);
  }
  // The labels take no mouse input, so the dialog shows the link cursor over them.
  if (under == kAboutHotNone)
    unsetCursor();
  else
    setCursor(Qt::PointingHandCursor);
}

bool CAboutDialog::OnLButtonUp(QPoint point) {
  if (PictureAt(point) == kAboutHotNone) return false;
  m_openUrl(m_link);  // a failure has nothing to report to
  return true;
}

void CAboutDialog::mouseMoveEvent(QMouseEvent* event) {
  OnMouseMove(event->position().toPoint());
  QDialog::mouseMoveEvent(event);
}

void CAboutDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnLButtonUp(event->position().toPoint())) return;
  QDialog::mouseReleaseEvent(event);
}

void RunAboutDialog(QWidget* parent) {
  CAboutDialog dialog(parent);
  dialog.exec();
}
