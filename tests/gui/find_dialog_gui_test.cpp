// Find and Find Next through the real window and the real Find dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "app/resource.h"
#include "gui/find_dialog.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "gui_support.h"

namespace {

// What the dialog held when it showed.
struct DialogRecord {
  int shown = 0;
  QString caption, objectName, label, findNext, cancel, exactText, ignoreText;
  QString text, selected;
  bool exact = false, ignore = false;
  bool findNextIsDefault = false, labelBuddyIsEdit = false, editFocused = false;
  int maxLength = 0;
  QStringList tabOrder;
  QRect edit, labelRect, findNextRect, cancelRect, exactRect, ignoreRect;  // in the dialog
};

template <class T>
T* Child(QWidget* dialog, const char* name) {
  T* w = dialog->findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// Records the next Find dialog, then lets `act` close it.
void WhenFindDialog(DialogRecord& rec, std::function<void(CFindDialog*)> act) {
  WhenModal([&rec, act](QWidget* modal) {
    auto* dialog = qobject_cast<CFindDialog*>(modal);
    if (!dialog) return;
    ++rec.shown;
    auto* edit = Child<QLineEdit>(dialog, "findWhat");
    auto* label = Child<QLabel>(dialog, "findWhatLabel");
    auto* findNext = Child<QPushButton>(dialog, "findNext");
    auto* cancel = Child<QPushButton>(dialog, "cancel");
    auto* exact = Child<QCheckBox>(dialog, "exactMatch");
    auto* ignore = Child<QCheckBox>(dialog, "ignoreCase");
    if (!edit || !label || !findNext || !cancel || !exact || !ignore) {
      dialog->reject();
      return;
    }
    rec.caption = dialog->windowTitle();
    rec.objectName = dialog->objectName();
    rec.label = label->text();
    rec.findNext = findNext->text();
    rec.cancel = cancel->text();
    rec.exactText = exact->text();
    rec.ignoreText = ignore->text();
    rec.text = edit->text();
    rec.selected = edit->selectedText();
    rec.exact = exact->isChecked();
    rec.ignore = ignore->isChecked();
    rec.findNextIsDefault = findNext->isDefault();
    rec.labelBuddyIsEdit = label->buddy() == edit;
    rec.editFocused = dialog->focusWidget() == edit;
    rec.maxLength = edit->maxLength();
    rec.tabOrder.clear();
    QWidget* w = findNext;
    do {
      if (w->focusPolicy() & Qt::TabFocus) rec.tabOrder << w->objectName();
      w = w->nextInFocusChain();
    } while (w != findNext && rec.tabOrder.size() < 10);
    auto inDialog = [dialog](QWidget* c) {
      return QRect(c->mapTo(dialog, QPoint(0, 0)), c->size());
    };
    rec.edit = inDialog(edit);
    rec.labelRect = inDialog(label);
    rec.findNextRect = inDialog(findNext);
    rec.cancelRect = inDialog(cancel);
    rec.exactRect = inDialog(exact);
    rec.ignoreRect = inDialog(ignore);
    act(dialog);
  });
}

// Fills the dialog and confirms it with the Find Next button.
std::function<void(CFindDialog*)> Confirm(const QString& text, bool exact, bool ignore) {
  return [=](CFindDialog* dialog) {
    dialog->findChild<QLineEdit*>("findWhat")->setText(text);
    dialog->findChild<QCheckBox*>("exactMatch")->setChecked(exact);
    dialog->findChild<QCheckBox*>("ignoreCase")->setChecked(ignore);
    QTest::mouseClick(dialog->findChild<QPushButton*>("findNext"), Qt::LeftButton);
  };
}

struct BoxRecord {
  QString text, caption;
};

// Answers the next message boxes in turn, recording each.
void AnswerBoxes(std::vector<QMessageBox::StandardButton> buttons, std::vector<BoxRecord>& seen) {
  if (buttons.empty()) return;
  WhenModal([buttons, &seen](QWidget* w) mutable {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) return;
    seen.push_back({box->text(), box->windowTitle()});
    QAbstractButton* button = box->button(buttons.front());
    buttons.erase(buttons.begin());
    AnswerBoxes(buttons, seen);
    button->click();
  });
}

HTREEITEM Add(CTreeCtrl& tree, HTREEITEM parent, const char* label) {
  return tree.InsertItem(TVIF_TEXT, label, 0, 0, 0, 0, nullptr, parent, TVI_LAST);
}

class FindGui : public ::testing::Test {
 protected:
  void SetUp() override {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    top = Add(tree, TVI_ROOT, "/data");
    sub = Add(tree, top, "sub");
    x1 = Add(tree, sub, "x1");
    x2 = Add(tree, sub, "x2");
    more = Add(tree, TVI_ROOT, "/more");
    x3 = Add(tree, more, "x3");
  }

  // The tree is the widget that gets the keys once the window is active again
  // (the offscreen platform does not give it back after a modal box).
  bool TreeFocused() { return w.focusWidget() == w.View(); }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, key, modifiers);
  }

  WindowFixture f;
  MainWindow& w = *f.window;
  CMainFrame& frame = w.Frame();
  CTreeCtrl& tree = frame.Tree();
  HTREEITEM top, sub, x1, x2, more, x3;
};

TEST_F(FindGui, DialogShowsItsTextsAndTheStoredSearchSelected) {
  frame.m_strFindWhat = "readme";
  frame.m_bExactMatch = true;
  frame.m_bIgnoreCase = false;
  DialogRecord rec;
  WhenFindDialog(rec, [](CFindDialog* d) { d->reject(); });
  w.MenuAction(ID_EDIT_FIND)->trigger();

  ASSERT_EQ(rec.shown, 1);
  EXPECT_EQ(rec.objectName, "CFindDialog");
  EXPECT_EQ(rec.caption, "Find");
  EXPECT_EQ(rec.label, "Fi&nd what:");
  EXPECT_TRUE(rec.labelBuddyIsEdit);
  EXPECT_EQ(rec.findNext, "&Find Next");
  EXPECT_TRUE(rec.findNextIsDefault);
  EXPECT_EQ(rec.cancel, "Cancel");
  EXPECT_EQ(rec.exactText, "Exact &match");
  EXPECT_EQ(rec.ignoreText, "Ignore &case");
  EXPECT_EQ(rec.tabOrder,
            (QStringList{"findNext", "cancel", "findWhat", "exactMatch", "ignoreCase"}));
  EXPECT_GT(rec.maxLength, 1 << 20) << "no length limit of its own";
  // Opened on the stored search, its text selected and the edit focused.
  EXPECT_EQ(rec.text, "readme");
  EXPECT_EQ(rec.selected, "readme");
  EXPECT_TRUE(rec.editFocused);
  EXPECT_TRUE(rec.exact);
  EXPECT_FALSE(rec.ignore);
  // Buttons on the right; label then edit on the first row; boxes under the edit.
  EXPECT_GT(rec.findNextRect.left(), rec.edit.right());
  EXPECT_GT(rec.cancelRect.top(), rec.findNextRect.top());
  EXPECT_LT(rec.labelRect.right(), rec.edit.left());
  EXPECT_LT(rec.labelRect.top(), rec.edit.bottom());
  EXPECT_GT(rec.exactRect.top(), rec.edit.bottom());
  EXPECT_GT(rec.ignoreRect.top(), rec.exactRect.bottom());
  EXPECT_EQ(rec.exactRect.left(), rec.edit.left());
  EXPECT_EQ(rec.ignoreRect.left(), rec.edit.left());
  EXPECT_TRUE(TreeFocused()) << "the tree has the focus back";
}

TEST_F(FindGui, CtrlFSearchesAndF3VisitsTheFollowingMatches) {
  DialogRecord rec;
  WhenFindDialog(rec, Confirm("X", false, true));
  Press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(rec.shown, 1);
  EXPECT_EQ(frame.m_strFindWhat, "x") << "stored lower-cased";
  EXPECT_FALSE(frame.m_bExactMatch);
  EXPECT_TRUE(frame.m_bIgnoreCase);
  // Found in a collapsed branch, which is opened.
  EXPECT_EQ(tree.GetSelectedItem(), x1);
  EXPECT_EQ(w.View()->currentIndex(), w.Model()->IndexOf(x1)) << "shown, its folder opened";
  EXPECT_TRUE(w.View()->currentIndex().isValid());
  EXPECT_TRUE(TreeFocused());

  Press(Qt::Key_F3);
  EXPECT_EQ(tree.GetSelectedItem(), x2);
  Press(Qt::Key_F3);
  EXPECT_EQ(tree.GetSelectedItem(), x3);
  std::vector<BoxRecord> boxes;
  AnswerBoxes({QMessageBox::Yes}, boxes);
  Press(Qt::Key_F3);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Restart search from top?");
  EXPECT_EQ(boxes[0].caption, "Find");
  EXPECT_EQ(tree.GetSelectedItem(), x1);
  EXPECT_EQ(rec.shown, 1) << "F3 with a stored text opens no dialog";
}

TEST_F(FindGui, NotFoundIsReportedWithTheStoredText) {
  tree.SelectItem(sub);
  DialogRecord rec;
  WhenFindDialog(rec, [](CFindDialog* d) {
    d->findChild<QLineEdit*>("findWhat")->setText("\xC3\x84RGER");  // "ÄRGER"
    d->findChild<QCheckBox*>("ignoreCase")->setChecked(true);
    // Enter in the edit presses the default button.
    QTest::keyClick(d->findChild<QLineEdit*>("findWhat"), Qt::Key_Return);
  });
  std::vector<BoxRecord> boxes;
  // Scheduled now, they only find a message box once the dialog is gone.
  AnswerBoxes({QMessageBox::No, QMessageBox::Ok}, boxes);
  w.MenuAction(ID_EDIT_FIND)->trigger();
  ASSERT_EQ(rec.shown, 1);
  EXPECT_EQ(frame.m_strFindWhat, "\xC3\xA4rger");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Restart search from top?");
  EXPECT_EQ(boxes[1].text, QString::fromUtf8("Item \"\xC3\xA4rger\" not found ..."));
  EXPECT_EQ(boxes[1].caption, "Find Next");
  EXPECT_EQ(tree.GetSelectedItem(), sub);
}

TEST_F(FindGui, CancelStoresNothing) {
  const std::function<void(CFindDialog*)> closers[] = {
      [](CFindDialog* d) {
        QTest::mouseClick(d->findChild<QPushButton*>("cancel"), Qt::LeftButton);
      },
      [](CFindDialog* d) { QTest::keyClick(d->findChild<QLineEdit*>("findWhat"), Qt::Key_Escape); },
      [](CFindDialog* d) { d->close(); },
  };
  frame.m_strFindWhat = "keep";
  frame.m_bExactMatch = false;
  frame.m_bIgnoreCase = true;
  tree.SelectItem(more);
  for (size_t i = 0; i < std::size(closers); ++i) {
    SCOPED_TRACE(i);
    DialogRecord rec;
    auto closer = closers[i];
    WhenFindDialog(rec, [closer](CFindDialog* d) {
      d->findChild<QLineEdit*>("findWhat")->setText("x");
      d->findChild<QCheckBox*>("exactMatch")->setChecked(true);
      d->findChild<QCheckBox*>("ignoreCase")->setChecked(false);
      closer(d);
    });
    w.MenuAction(ID_EDIT_FIND)->trigger();
    ASSERT_EQ(rec.shown, 1);
    EXPECT_EQ(frame.m_strFindWhat, "keep");
    EXPECT_FALSE(frame.m_bExactMatch);
    EXPECT_TRUE(frame.m_bIgnoreCase);
    EXPECT_EQ(tree.GetSelectedItem(), more);
  }
}

TEST_F(FindGui, EmptyTextBringsTheDialogBackUntilCancelled) {
  DialogRecord first, second;
  WhenFindDialog(first, [&second](CFindDialog* d) {
    WhenFindDialog(second, [](CFindDialog* d2) { d2->reject(); });
    Confirm("", true, false)(d);
  });
  w.MenuAction(ID_FIND_NEXT)->trigger();  // no text yet: the dialog instead
  EXPECT_EQ(first.shown, 1);
  ASSERT_EQ(second.shown, 1);
  EXPECT_EQ(second.text, "");
  EXPECT_TRUE(second.exact) << "the options of the empty confirmation were kept";
  EXPECT_FALSE(second.ignore);
  EXPECT_TRUE(frame.m_strFindWhat.empty());
  EXPECT_EQ(tree.GetSelectedItem(), nullptr);
}

}  // namespace
