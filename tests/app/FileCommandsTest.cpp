// SAVE, DEL and LOCK without a window: a script answers; the files on disk and the questions count.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "../library/LibraryBuilders.h"
#include "../library/LibraryFakes.h"
#include "../library/LibraryTestTree.h"
#include "app/FileCommands.h"

namespace {

using Button = QMessageBox::StandardButton;

class ScriptedPrompts : public CommandPrompts {
 public:
  std::optional<QString> AskFolder(const QString& title, const QString& start) override {
    asked.push_back("picker|" + title + "|" + start);
    return folder;
  }
  using CommandPrompts::Ask;
  Button Ask(const QString& text, const QString& caption, QMessageBox::StandardButtons, QMessageBox::Icon) override {
    asked.push_back(caption + "|" + text);
    const Button answer = answers.empty() ? QMessageBox::Ok : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  Button Choose(const QString&, const QString&, QMessageBox::Icon, const std::vector<NamedButton>&) override {
    return QMessageBox::Cancel;
  }
  int ChooseFromMenu(const QPoint&, const std::vector<MenuEntry>&) override { return -1; }
  void ShowProgress(int, const QString&) override {}
  void HideProgress() override {}
  bool ShowInFileManager(const QString&) override { return false; }
  bool WindowClosed() const override { return false; }

  std::optional<QString> folder;
  std::deque<Button> answers;  // empty: OK
  std::vector<QString> asked;
};

QString Box(uint32_t caption, const QString& text) { return LoadQText(caption) + "|" + text; }

TEST(FileCommandsTest, RefusalsSaveDeleteAndUnlockOnDisk) {
  TempFolder tree;
  RecordingLibrary library;
  FakeGroupList groups;
  FakeOwner owner;
  // Two groups: A/FILE1000 and A/FILE1001, then the protected FILE1002 and FILE1003.
  Fill(library, {{0, 60, 0, "", "A/"}, {60, 60, 0, "", "A/"}, {900, 60, 1}, {960, 60}}, tree.Folder("card") + "/");
  for (int i = 0; i < 4; ++i) {
    const RecordingInfo& r = library.Recordings()[static_cast<std::size_t>(i)];
    tree.File("card/" + r.subfolder + r.name, "content of " + r.name);
    if (r.flags) Protect(library.GetRecordingPath(i));
  }
  const std::string onScreen = library.GetRecordingPath(3);
  int stops = 0;
  ScriptedPrompts prompts;
  FileCommands::Hooks hooks;
  hooks.currentFile = [&] { return QString::fromStdString(onScreen); };
  hooks.stopPlayback = [&] { ++stops; };
  hooks.takeChecks = [&] {
    for (int g = 0; g < static_cast<int>(library.Groups().size()); ++g) library.CheckGroup(g, groups.IsRowChecked(g));
    return !groups.checked.empty();
  };
  hooks.copyFeedback = &owner;
  FileCommands commands(library, nullptr, prompts, std::move(hooks));

  // Nothing ticked: each command refuses with its box.
  commands.OnBnClickedSave();
  commands.OnBnClickedDel();
  commands.OnBnClickedLock();
  EXPECT_EQ(prompts.asked, std::vector<QString>(3, Box(144, LoadQText(135))));

  // SAVE reproduces the subfolder; the next picker starts where it went.
  groups.checked = {0};
  prompts.folder = QString::fromStdString(tree.Folder("copy"));
  commands.OnBnClickedSave();
  EXPECT_EQ(ReadText(tree / "copy/A/FILE1001.AVI"), "content of FILE1001.AVI");
  EXPECT_EQ(prompts.asked.back(), Box(181, LoadQText(323).arg(2).arg(0)));
  owner.answers = {false, false};  // not overwritten: skipped
  commands.OnBnClickedSave();
  EXPECT_EQ(prompts.asked.back(), Box(181, LoadQText(323).arg(0).arg(2)));
  EXPECT_EQ(prompts.asked[prompts.asked.size() - 2], "picker|" + LoadQText(130) + "|" + *prompts.folder);

  // DEL cancelled, then done: the protected one stays, the one on screen goes and stops.
  groups.checked = {1};
  prompts.answers = {QMessageBox::Cancel};
  commands.OnBnClickedDel();
  EXPECT_TRUE(std::filesystem::exists(onScreen));
  EXPECT_EQ(prompts.asked.back(), Box(128, LoadQText(129) + "\n\n" + LoadQText(321).arg(1).arg(0).arg(1)));
  commands.OnBnClickedDel();
  EXPECT_EQ(prompts.asked.back(), Box(128, LoadQText(324).arg(1).arg(1)));
  EXPECT_FALSE(std::filesystem::exists(onScreen));
  EXPECT_EQ(stops, 1);

  // LOCK asks first; a cancel leaves the file read-only.
  const std::string locked = library.GetRecordingPath(2);
  prompts.answers = {QMessageBox::Cancel};
  commands.OnBnClickedLock();
  EXPECT_EQ(prompts.asked.back(), Box(194, LoadQText(322).arg(1)));
  EXPECT_EQ(ModeOf(locked) & 0200, 0u);
  commands.OnBnClickedLock();
  EXPECT_EQ(prompts.asked.back(), Box(194, LoadQText(325).arg(1)));
  EXPECT_NE(ModeOf(locked) & 0200, 0u);
}

}  // namespace
