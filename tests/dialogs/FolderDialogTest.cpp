#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include "CFolderDialog.h"

namespace {

// Counts refusals instead of beeping.
class CountingFolderDialog : public CFolderDialog {
 public:
  using CFolderDialog::CFolderDialog;
  int refusals = 0;
  QString lastRefused;
  QStringList selections;

 protected:
  int OnBrowseValidateFailed(const QString& typed) override {
    ++refusals;
    lastRefused = typed;
    return CFolderDialog::OnBrowseValidateFailed(typed);
  }
  void OnBrowseSelChanged(const QString& path) override { selections << path; }
};

QString MakeTree(const QTemporaryDir& root) {
  const QString b = root.path() + "/a/b";
  EXPECT_TRUE(QDir().mkpath(b + "/c"));
  return b;
}

}  // namespace

TEST(FolderDialog, OpensOnTheGivenFolderAndReturnsIt) {
  QTemporaryDir root;
  const QString start = MakeTree(root);
  CountingFolderDialog dlg(nullptr, QString::fromUtf8("フォルダを選択"), start);
  int result = 0;
  QString shownPath;
  QTimer::singleShot(0, &dlg, [&] {
    shownPath = dlg.CurrentPath();
    dlg.accept();
  });
  result = dlg.DoModal();
  EXPECT_EQ(result, CFolderDialog::kOk);
  EXPECT_EQ(shownPath, start);
  EXPECT_EQ(dlg.m_folderPath, start);
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("フォルダを選択"));
  EXPECT_FALSE(dlg.selections.isEmpty());
  EXPECT_EQ(dlg.refusals, 0);
}

TEST(FolderDialog, WithoutStartFolderNothingIsSelected) {
  CountingFolderDialog dlg(nullptr, "Select a folder", QString());
  dlg.show();
  QApplication::processEvents();
  EXPECT_FALSE(dlg.FolderTree()->currentIndex().isValid());
  EXPECT_TRUE(dlg.PathEdit()->text().isEmpty());
  // OK with nothing chosen is refused like an unknown path.
  dlg.accept();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.refusals, 1);
  dlg.reject();
}

TEST(FolderDialog, RefusesAMissingTypedPathAndStaysOpen) {
  QTemporaryDir root;
  const QString start = MakeTree(root);
  CountingFolderDialog dlg(nullptr, "Select a folder", start);
  QString afterRefusal;
  bool stillOpen = false;
  QTimer::singleShot(0, &dlg, [&] {
    dlg.PathEdit()->setText(root.path() + "/does/not/exist");
    dlg.accept();
    stillOpen = dlg.isVisible();
    afterRefusal = dlg.m_folderPath;
    // A relative name is taken below the selected folder.
    dlg.PathEdit()->setText("c");
    dlg.accept();
  });
  EXPECT_EQ(dlg.DoModal(), CFolderDialog::kOk);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(afterRefusal.isEmpty());
  EXPECT_EQ(dlg.refusals, 1);
  EXPECT_EQ(dlg.lastRefused, root.path() + "/does/not/exist");
  EXPECT_EQ(dlg.m_folderPath, start + "/c");
}

TEST(FolderDialog, TypedFileIsNotAFolder) {
  QTemporaryDir root;
  const QString start = MakeTree(root);
  QFile file(start + "/clip.AVI");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  CountingFolderDialog dlg(nullptr, "Select a folder", start);
  dlg.show();
  QApplication::processEvents();
  dlg.PathEdit()->setText(file.fileName());
  dlg.accept();
  EXPECT_EQ(dlg.refusals, 1);
  EXPECT_TRUE(dlg.isVisible());
  dlg.reject();
}

TEST(FolderDialog, CancelGivesTwoAndNoPath) {
  QTemporaryDir root;
  const QString start = MakeTree(root);
  CountingFolderDialog dlg(nullptr, "Select a folder", start);
  QTimer::singleShot(0, &dlg, [&] { dlg.reject(); });
  EXPECT_EQ(dlg.DoModal(), CFolderDialog::kCancel);
  EXPECT_TRUE(dlg.m_folderPath.isEmpty());
}

TEST(FolderDialog, TypingAnAbsoluteFolderSelectsItInTheTree) {
  QTemporaryDir root;
  const QString start = MakeTree(root);
  CountingFolderDialog dlg(nullptr, "Select a folder", root.path());
  dlg.show();
  QApplication::processEvents();
  dlg.PathEdit()->setText(start);
  emit dlg.PathEdit()->textEdited(start);
  EXPECT_EQ(dlg.CurrentPath(), start);
  EXPECT_EQ(dlg.selections.last(), start);
  dlg.accept();
  EXPECT_EQ(dlg.m_folderPath, start);
}
