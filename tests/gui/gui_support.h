// Helpers for driving the real window in tests.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "gui/main_window.h"
#include "gui/qt_profile_store.h"

// Runs `act` on the next modal widget once it shows (a message box, a file
// dialog), from inside its event loop. It keeps looking for a minute: a loaded
// machine may take seconds to reach the dialog, and a dialog nobody answers
// would hang the test.
inline void WhenModal(std::function<void(QWidget*)> act, int attempts = 6000) {
  QTimer::singleShot(10, [act, attempts] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible())
      act(modal);
    else if (attempts > 0)
      WhenModal(act, attempts - 1);
  });
}

// Answers the next message box with a button, recording its text.
inline void AnswerMessageBox(QMessageBox::StandardButton button, QString* text = nullptr,
                             QString* caption = nullptr) {
  WhenModal([=](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) return;
    if (text) *text = box->text();
    if (caption) *caption = box->windowTitle();
    box->button(button)->click();
  });
}

// Puts `path` in a file dialog's name field. selectFile leaves that field
// alone while it has the focus, which the dialog gives it once its window is
// active, so a test that only selects the file sometimes accepts the old name.
inline void PickFile(QFileDialog* dialog, const QString& path) {
  if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
    name->setText(path);
  else
    dialog->selectFile(path);
}

// While it lives, picks `path` in every file dialog (cancels it when empty)
// and answers every message box with `button` or its only one, recording a
// dialog's title and a box's text (" [No]" added when No is its default).
struct DialogAnswers {
  explicit DialogAnswers(QString pick, QMessageBox::StandardButton answer = QMessageBox::Yes)
      : path(std::move(pick)), button(answer) {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton *no = box->button(QMessageBox::No), *b = box->button(button);
        seen << box->text() + (no && box->defaultButton() == no ? " [No]" : "");
        (b ? b : box->buttons().first())->click();
      } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        seen << dialog->windowTitle();
        if (path.isEmpty()) return dialog->reject();
        PickFile(dialog, path);
        dialog->QDialog::accept();  // as its button does, without its own questions
      }
    });
    timer.start(10);
  }
  QString path;
  QMessageBox::StandardButton button;
  QStringList seen;
  QTimer timer;
};

// A settings file in a temporary folder, holding `contents` when given.
struct TempSettings {
  explicit TempSettings(const QByteArray& contents = {}) {
    if (contents.isNull()) return;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
  }
  QTemporaryDir dir;
  QString path = dir.filePath("ZTR.conf");
};

// A window with its settings in a temporary INI file.
struct WindowFixture : TempSettings {
  std::unique_ptr<QtProfileStore> profile = std::make_unique<QtProfileStore>(path);
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(*profile);
  MainWindow& w = *window;
  CTreeCtrl& tree = w.Frame().Tree();
};
