// SAVE, DEL and LOCK without a window: a scripted prompts object answers
// over a card in a temporary folder; the files on disk and the questions
// asked are what the user would see.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "../library/LibraryBuilders.h"
#include "../library/LibraryFakes.h"
#include "../library/LibraryTestTree.h"
#include "app/FileCommands.h"

namespace {

class ScriptedPrompts : public CommandPrompts {
 public:
  std::optional<QString> AskFolder(const QString& title, const QString& start) override {
    asked.push_back("picker|" + title + "|" + start);
    return folder;
  }
  using CommandPrompts::Ask;
  QMessageBox::StandardButton Ask(const QString& text, const QString& caption, QMessageBox::StandardButtons,
                                  QMessageBox::Icon) override {
    asked.push_back(caption + "|" + text);
    if (answers.empty()) return QMessageBox::Ok;
    const QMessageBox::StandardButton answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QMessageBox::StandardButton Choose(const QString&, const QString&, QMessageBox::Icon,
                                     const std::vector<NamedButton>&) override {
    return QMessageBox::Cancel;
  }
  int ChooseFromMenu(const QPoint&, const std::vector<MenuEntry>&) override { return -1; }
  void ShowProgress(int, const QString&) override {}
  void HideProgress() override {}
  bool ShowInFileManager(const QString&) override { return false; }
  bool WindowClosed() const override { return false; }

  std::optional<QString> folder;
  std::deque<QMessageBox::StandardButton> answers;  // empty: OK
  std::vector<QString> asked;
};

QString Box(uint32_t caption, const QString& text) { return LoadQText(caption) + "|" + text; }

class FileCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library.AttachViews(&groups, &files, &gsensor, nullptr, &owner);
    // Two groups: FILE1000 and FILE1001, then the protected FILE1002 and FILE1003.
    const std::vector<Rec> recs = {{0, 60, 0, "", "A/"}, {60, 60, 0, "", "A/"}, {900, 60, 1}, {960, 60}};
    Fill(library, recs, tree.Folder("card") + "/");
    for (int i = 0; i < 4; ++i) {
      const RecordingInfo& r = library.Recordings()[static_cast<std::size_t>(i)];
      tree.File("card/" + r.subfolder + r.name, "content of " + r.name);
      if (r.flags) Protect(library.GetRecordingPath(i));
    }
    FileCommands::Hooks hooks;
    const QString onScreen = QString::fromStdString(library.GetRecordingPath(3));
    hooks.currentFile = [onScreen] { return onScreen; };
    hooks.stopPlayback = [this] { ++stops; };
    commands = std::make_unique<FileCommands>(library, nullptr, prompts, std::move(hooks));
  }
  bool Exists(int i) const { return std::filesystem::exists(library.GetRecordingPath(i)); }

  TempFolder tree;
  RecordingLibrary library;
  FakeGroupList groups;
  FakeFileList files;
  FakeGSensor gsensor;
  FakeOwner owner;
  ScriptedPrompts prompts;
  std::unique_ptr<FileCommands> commands;
  int stops = 0;
};

TEST_F(FileCommandsTest, NothingTickedOrNoRecordingsIsRefusedWithItsBox) {
  const QString nothing = Box(144, LoadQText(135));
  for (void (FileCommands::*command)() :
       {&FileCommands::OnBnClickedSave, &FileCommands::OnBnClickedDel, &FileCommands::OnBnClickedLock})
    (commands.get()->*command)();
  EXPECT_EQ(prompts.asked, (std::vector<QString>{nothing, nothing, nothing}));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Exists(i));
  library.ClearLibrary();
  library.SetUnreadableCount(2);
  commands->OnBnClickedSave();
  EXPECT_EQ(prompts.asked.back(), Box(145, LoadQText(136) + "\n" + LoadQText(320).arg(2)));
}

TEST_F(FileCommandsTest, SaveCopiesLockUnprotectsAndDeleteKeepsProtected) {
  // SAVE of the first group: its subfolder reproduced; the next picker
  // starts where this one went.
  groups.checked = {0};
  const QString destination = QString::fromStdString(tree.Folder("copy"));
  prompts.folder = destination;
  commands->OnBnClickedSave();
  EXPECT_TRUE(std::filesystem::exists(tree / "copy/A/FILE1000.AVI"));
  EXPECT_TRUE(std::filesystem::exists(tree / "copy/A/FILE1001.AVI"));
  EXPECT_EQ(prompts.asked.back(), Box(181, LoadQText(323).arg(2).arg(0)));
  prompts.folder.reset();
  commands->OnBnClickedSave();
  EXPECT_EQ(prompts.asked.back(), "picker|" + LoadQText(130) + "|" + destination);

  // DEL of the second group, cancelled, then done: the protected recording
  // stays, the one on screen goes and playback stops.
  groups.checked = {1};
  prompts.answers = {QMessageBox::Cancel};
  commands->OnBnClickedDel();
  EXPECT_TRUE(Exists(3));
  EXPECT_EQ(prompts.asked.back(), Box(128, LoadQText(129) + "\n\n" + LoadQText(321).arg(1).arg(0).arg(1)));
  commands->OnBnClickedDel();
  EXPECT_EQ(prompts.asked.back(), Box(128, LoadQText(324).arg(1).arg(1)));
  ASSERT_EQ(library.Recordings().size(), 3u);
  EXPECT_TRUE(Exists(2));
  EXPECT_EQ(stops, 1);

  // LOCK asks before unprotecting; a cancel leaves the file read-only.
  groups.checked = {1};
  prompts.answers = {QMessageBox::Cancel};
  commands->OnBnClickedLock();
  EXPECT_EQ(prompts.asked.back(), Box(194, LoadQText(322).arg(1)));
  EXPECT_EQ(ModeOf(library.GetRecordingPath(2)) & 0200, 0u);
  commands->OnBnClickedLock();
  EXPECT_EQ(prompts.asked.back(), Box(194, LoadQText(325).arg(1)));
  EXPECT_NE(ModeOf(library.GetRecordingPath(2)) & 0200, 0u);
}

}  // namespace
