// Helpers for driving the real window in tests.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "gui/main_window.h"
#include "gui/qt_profile_store.h"

// Runs `act` on the next modal widget once it shows (a message box, a file
// dialog), from inside its event loop.
inline void WhenModal(std::function<void(QWidget*)> act, int attempts = 200) {
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
