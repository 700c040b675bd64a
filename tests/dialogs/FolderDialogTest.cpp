#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "dialogs/CFolderDialog.h"
#include "settings/Languages.h"
#include "dialogs/MountedMedia.h"

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
  EXPECT_EQ(dlg.FolderPath(), start);
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
    afterRefusal = dlg.FolderPath();
    // A relative name is taken below the selected folder.
    dlg.PathEdit()->setText("c");
    dlg.accept();
  });
  EXPECT_EQ(dlg.DoModal(), CFolderDialog::kOk);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(afterRefusal.isEmpty());
  EXPECT_EQ(dlg.refusals, 1);
  EXPECT_EQ(dlg.lastRefused, root.path() + "/does/not/exist");
  EXPECT_EQ(dlg.FolderPath(), start + "/c");
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
  EXPECT_TRUE(dlg.FolderPath().isEmpty());
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
  EXPECT_EQ(dlg.FolderPath(), start);
}

namespace {

// Answers the name question and the messages of "New folder" as they open.
class NewFolderAnswers {
 public:
  explicit NewFolderAnswers(QString name) : m_name(std::move(name)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        input->setTextValue(m_name);
        input->accept();
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages << box->text();
        box->accept();
      }
    });
    m_timer.start(20);
  }
  QStringList messages;

 private:
  QString m_name;
  QTimer m_timer;
};

QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

// HOME and the XDG configuration for one test.
class ScopedHome {
 public:
  explicit ScopedHome(const QString& home)
      : m_home(qgetenv("HOME")),
        m_config(qgetenv("XDG_CONFIG_HOME")),
        m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("XDG_CONFIG_HOME");
  }
  ~ScopedHome() {
    qputenv("HOME", m_home);
    if (m_hadConfig) qputenv("XDG_CONFIG_HOME", m_config);
  }

 private:
  QByteArray m_home;
  QByteArray m_config;
  bool m_hadConfig;
};

bool RunQuietly(const QString& command) {
  return std::system((command + " >/dev/null 2>&1").toLocal8Bit().constData()) == 0;
}

}  // namespace

TEST(FolderDialog, StartsAtTheLastFolderElseAtHome) {
  QTemporaryDir root;
  const QString kept = MakeTree(root);
  ScopedHome home(root.path());
  EXPECT_EQ(CFolderDialog::StartFolder(kept), kept);
  EXPECT_EQ(CFolderDialog::StartFolder(QString()), root.path());
  EXPECT_EQ(CFolderDialog::StartFolder(root.path() + "/gone"), root.path());
  CountingFolderDialog dlg(nullptr, Text(130), CFolderDialog::StartFolder(QString()));
  dlg.show();
  QApplication::processEvents();
  EXPECT_EQ(dlg.CurrentPath(), root.path());
  dlg.reject();
}

TEST(FolderDialog, PlacesLeadToHomeAndDocuments) {
  QTemporaryDir root;
  ASSERT_TRUE(QDir().mkpath(root.path() + "/Documents"));
  ScopedHome home(root.path());
  CountingFolderDialog dlg(nullptr, Text(130), MakeTree(root));
  ASSERT_GE(dlg.Places().size(), 2u);
  EXPECT_EQ(dlg.Places()[0].label, Text(215));
  EXPECT_EQ(dlg.Places()[0].path, root.path());
  EXPECT_EQ(dlg.Places()[1].label, Text(216));
  EXPECT_EQ(dlg.Places()[1].path, root.path() + "/Documents");
  dlg.show();
  QApplication::processEvents();
  for (const CFolderDialog::Place& place : dlg.Places()) {
    EXPECT_EQ(place.button->text(), place.label);
    place.button->click();
    EXPECT_EQ(dlg.CurrentPath(), place.path);
    EXPECT_EQ(dlg.FolderTree()->currentIndex().data(QFileSystemModel::FilePathRole).toString(), place.path);
  }
  EXPECT_EQ(dlg.NewFolderButton()->text(), Text(217));
  const QString artifacts = qEnvironmentVariable("TRK_ARTIFACT_DIR");
  if (!artifacts.isEmpty() && QDir().mkpath(artifacts)) dlg.grab().save(artifacts + "/folder-picker.png");
  dlg.reject();
}

TEST(FolderDialog, NewFolderRefusesBadNamesEachWithAMessage) {
  QTemporaryDir root;
  const QString start = MakeTree(root);  // holds "c"
  CountingFolderDialog dlg(nullptr, Text(130), start);
  dlg.show();
  QApplication::processEvents();
  struct Row {
    QString name;
    QString message;
  };
  const std::vector<Row> refusals = {
      {"x/y", Text(219)},
      {"", Text(220)},
      {"   ", Text(220)},
      {"c", Text(221).replace("%s", "c")},
      {"..", Text(221).replace("%s", "..")},
  };
  for (const Row& row : refusals) {
    NewFolderAnswers answers(row.name);
    dlg.NewFolderButton()->click();
    EXPECT_EQ(answers.messages, QStringList{row.message}) << row.name.toStdString();
    EXPECT_EQ(dlg.CurrentPath(), start) << row.name.toStdString();
  }
  EXPECT_EQ(QDir(start).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"c"});

  // A good name: made inside the chosen folder and chosen itself.
  NewFolderAnswers answers(QString::fromUtf8("新しい Folder"));
  dlg.NewFolderButton()->click();
  EXPECT_TRUE(answers.messages.isEmpty());
  const QString made = start + QString::fromUtf8("/新しい Folder");
  EXPECT_TRUE(QFileInfo(made).isDir());
  EXPECT_EQ(dlg.CurrentPath(), made);
  dlg.accept();
  EXPECT_EQ(dlg.FolderPath(), made);
}

TEST(FolderDialog, MountedCardAppearsUnderItsLabelWhileMounted) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting an image needs root";
  QTemporaryDir work;
  const QString image = work.path() + "/card.img";
  QDir().mkpath("/mnt");
  QTemporaryDir mountPoint("/mnt/trk-picker-XXXXXX");
  ASSERT_TRUE(mountPoint.isValid());
  // A FAT card where the kernel has FAT, else the same with ext4.
  const bool made = RunQuietly("truncate -s 8M '" + image + "'") &&
                    ((RunQuietly("mkfs.vfat -n TRKCARD '" + image + "'") &&
                      RunQuietly("mount -t vfat -o loop '" + image + "' '" + mountPoint.path() + "'")) ||
                     (RunQuietly("mkfs.ext4 -q -F -L TRKCARD '" + image + "'") &&
                      RunQuietly("mount -o loop '" + image + "' '" + mountPoint.path() + "'")));
  if (!made) GTEST_SKIP() << "cannot loop-mount an image here (no loop devices or mount rights)";
  std::vector<CFolderDialog::Place> places;
  {
    CountingFolderDialog dlg(nullptr, Text(130), QString());
    places = dlg.Places();
    dlg.show();
    QApplication::processEvents();
    for (const CFolderDialog::Place& place : dlg.Places()) {
      if (place.path != mountPoint.path()) continue;
      place.button->click();
      EXPECT_EQ(dlg.CurrentPath(), mountPoint.path());
    }
    dlg.reject();
  }
  const bool unmounted = RunQuietly("umount '" + mountPoint.path() + "'");
  const auto card = std::find_if(places.begin(), places.end(),
                                 [&](const CFolderDialog::Place& p) { return p.path == mountPoint.path(); });
  ASSERT_NE(card, places.end()) << "the mounted image is not among the places";
  EXPECT_EQ(card->label, "TRKCARD");
  ASSERT_TRUE(unmounted);
  // The next picker reads the mounts again: the card is gone.
  CountingFolderDialog after(nullptr, Text(130), QString());
  for (const CFolderDialog::Place& place : after.Places()) EXPECT_NE(place.path, mountPoint.path());
}

TEST(MountedMedia, BlockDevicesDirectlyBelowTheMediaFolders) {
  QTemporaryDir work;
  QFile mounts(work.path() + "/mounts");
  ASSERT_TRUE(mounts.open(QIODevice::WriteOnly));
  mounts.write(
      "/dev/vda / ext4 rw 0 0\n"
      "/dev/trk-none1 /media/alice/CARD vfat rw 0 0\n"
      "/dev/trk-none2 /run/media/alice/MY\\040CARD exfat rw 0 0\n"
      "/dev/trk-none3 /media/OTHER vfat rw 0 0\n"
      "/dev/trk-none4 /mnt/usb vfat rw 0 0\n"
      "tmpfs /mnt/ram tmpfs rw 0 0\n"
      "/dev/trk-none5 /mnt/deep/er vfat rw 0 0\n"
      "/dev/trk-none6 /media/bob/HIS vfat rw 0 0\n"
      "/dev/trk-none7 /media vfat rw 0 0\n"
      "/dev/trk-none8 /mnt/usb vfat rw 0 0\n"
      "broken line\n");
  mounts.close();
  const std::vector<MountedMedium> media =
      ListMountedMedia(QFile::encodeName(mounts.fileName()).toStdString(), "alice");
  std::vector<std::pair<std::string, std::string>> found;
  for (const MountedMedium& m : media) found.emplace_back(m.mountPoint, m.label);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"/media/alice/CARD", "CARD"},
      {"/run/media/alice/MY CARD", "MY CARD"},
      {"/media/OTHER", "OTHER"},
      {"/mnt/usb", "usb"},  // mounted twice: once
  };
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(ListMountedMedia(QFile::encodeName(work.path() + "/none").toStdString(), "alice").empty());
}
