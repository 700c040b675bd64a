#pragma once
// The real main window in the test process, on a card of short recordings,
// with its pickers and message boxes answered by a script.
#include <gtest/gtest.h>

#include <QWindow>
#include <memory>
#include <string>
#include <vector>

#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "E2eCard.h"
#include "settings/Languages.h"
#include "MainWindowSupport.h"
#include "ModalAnswers.h"
#include "playback/MediaEngine.h"

namespace e2e {

// The window with the copy's progress reports written down.
class ObservedDlg : public CTRKDlg {
 public:
  using CTRKDlg::CTRKDlg;
  void ShowCopyProgress(int percent, const std::string& text) override {
    progress.push_back(percent);
    progressTexts.push_back(text);
    CTRKDlg::ShowCopyProgress(percent, text);
    if (onProgress) onProgress();
  }
  std::function<void()> onProgress;
  std::vector<int> progress;
  std::vector<std::string> progressTexts;
};

inline QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.ok());
    MakeSession();
    dlg().OnInitDialog();
    dlg().show();
    ASSERT_TRUE(WaitFor([&] { return dlg().windowHandle() && dlg().windowHandle()->isExposed(); }));
  }

  void TearDown() override {
    EXPECT_TRUE(m_answers.unexpected().empty())
        << "unexpected dialog: " << m_answers.unexpected().front().text.toStdString();
    m_session.reset();
    QApplication::processEvents();
  }

  void MakeSession() {
    m_session = std::make_unique<ViewerSession>([](auto&... parts) { return std::make_unique<ObservedDlg>(parts...); });
  }
  ObservedDlg& dlg() { return static_cast<ObservedDlg&>(m_session->Window()); }
  FolderOpening& opening() { return m_session->Opening(); }
  std::atomic<int32_t>& busy() { return m_session->Busy().Flag(); }
  QString CardFolder() const { return m_dir.path() + "/card"; }

  // OPEN through its picker; waits until the first recording plays.
  void OpenCard() {
    m_card = WriteTestCard(CardFolder());
    m_answers.Folder(CardFolder());
    Press(dlg(), IDC_OPEN);
    ASSERT_TRUE(WaitFor(
        [&] { return !opening().IsScanning() && dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount() == 5; },
        60000));
    // Playing, and its first time report has released the busy guard.
    ASSERT_TRUE(WaitFor(
        [&] { return dlg().Library().CurrentRecording() == 0 && dlg().Playback().Engine().IsPlaying() && busy() == 0; },
        60000));
  }

  // The message boxes seen so far, as "title|text".
  std::vector<QString> Boxes() const {
    std::vector<QString> boxes;
    for (const ModalAnswers::Seen& seen : m_answers.seen())
      if (!seen.picker) boxes.push_back(seen.title + "|" + seen.text);
    return boxes;
  }
  static QString Box(uint32_t caption, uint32_t text) { return Text(caption) + "|" + Text(text); }

  ScopedSettingsDir m_dir;
  ModalAnswers m_answers;
  std::unique_ptr<ViewerSession> m_session;
  TestCard m_card;
};

}  // namespace e2e
