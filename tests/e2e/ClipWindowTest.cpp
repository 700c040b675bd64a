// Incident clips from the real window: I and O marked on the position
// slider and cleared, the clip dialog from Ctrl+E, a folder on the card
// refused, a lossless clip made into the chosen folder, and Cancel or Escape.
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "dialogs/CClipDlg.h"
#include "CommandsSupport.h"

namespace {

class ClipWindow : public e2e::WindowTest {
 protected:
  // Three recordings of 30 s that follow each other: one trip.
  QString WriteTrip() {
    return e2e::WriteTrip(CardFolder(), [](int, SynthOptions&) {});
  }

  void OpenTrip() {
    opening().OpenFolder(WriteTrip());
    ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying() && busy() == 0; }, 30000));
    QTest::keyClick(&dlg(), Qt::Key_Space);  // paused, so the moment holds still
    // The arrows follow at once: libvlc's report of the pause may come after
    // them, and must not drop the seek they asked for.
    ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPaused(); }));
  }

  const CVideoSlider& Slider() { return dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER); }

  // Every file below `folder`, relative, sorted.
  static QStringList FilesBelow(const QString& folder) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
      files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
  }
};

}  // namespace

TEST_F(ClipWindow, MarksAreSetSwappedClearedAndShownOnTheSlider) {
  OpenTrip();
  struct Row {
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
    double start, end;  // fractions of the recording; -1: no mark
  };
  const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
  // The thumb moves off the marks after each row, so that they are seen.
  const Row rows[] = {
      {{{Qt::Key_Right, none}, {Qt::Key_Right, none}, {Qt::Key_I, none}, {Qt::Key_Right, none}}, 1.0 / 3, -1},
      {{{Qt::Key_O, none}, {Qt::Key_Left, none}, {Qt::Key_Left, none}}, 1.0 / 3, 0.5},
      // An end before the start: the marks trade places.
      {{{Qt::Key_Home, none}, {Qt::Key_O, none}, {Qt::Key_Right, none}}, 0.0, 1.0 / 3},
      {{{Qt::Key_I, shift}}, -1, 1.0 / 3},
      {{{Qt::Key_O, shift}}, -1, -1},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    for (const auto& [key, modifiers] : rows[i].keys) QTest::keyClick(&dlg(), key, modifiers);
    const CVideoSlider::ClipMarks marks = Slider().GetClipMarks();
    EXPECT_NEAR(marks.start.value_or(-1), rows[i].start, 0.03);
    EXPECT_NEAR(marks.end.value_or(-1), rows[i].end, 0.03);
    // What the user sees: the mark's colour at the mark, and nowhere without marks.
    const QImage strip = const_cast<CVideoSlider&>(Slider()).grab().toImage();
    const QRect thumb = Slider().GetThumbRect();
    int white = 0;
    for (int y = 2; y < strip.height() - 2; ++y)  // inside the sunken edge
      for (int x = 2; x < strip.width() - 2; ++x)
        white += !thumb.contains(x, y) && strip.pixelColor(x, y) == CVideoSlider::ClipMarkColor();
    EXPECT_EQ(white > 0, marks.start || marks.end);
  }

  // The marks belong to the trip: in its next recording the start lies
  // before it; another trip opened forgets them.
  QTest::keyClick(&dlg(), Qt::Key_I);
  QTest::keyClick(&dlg(), Qt::Key_PageDown);
  ASSERT_TRUE(WaitFor([&] { return dlg().Library().CurrentRecording() == 1 && busy() == 0; }, 30000));
  ASSERT_TRUE(Slider().GetClipMarks().start.has_value());
  EXPECT_LT(*Slider().GetClipMarks().start, 0.0);
  opening().OpenFolder(CardFolder());
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying() && busy() == 0; }, 30000));
  EXPECT_FALSE(Slider().GetClipMarks().start.has_value());
}

TEST_F(ClipWindow, CtrlEAsksRefusesTheCardMakesALosslessClipAndCancels) {
  OpenTrip();
  const QString clips = m_dir.path() + "/clips";
  QDir().mkpath(clips);
  auto answerDialog = [&](const QString& folder) {
    m_answers.Dialog([folder](QDialog* d) {
      auto* clip = qobject_cast<CClipDlg*>(d);
      ASSERT_NE(clip, nullptr);
      // Without the encoder the shareable clip cannot be chosen, and says why.
      EXPECT_EQ(clip->ShareableBox()->isEnabled(), clip->ShareableBox()->toolTip().isEmpty());
      clip->LosslessBox()->setChecked(true);
      clip->ShareableBox()->setChecked(false);
      clip->FolderEdit()->setText(folder);
      clip->OkButton()->click();
    });
  };
  // A folder on the card is refused and the picker asked again.
  answerDialog(CardFolder());
  m_answers.Box(QMessageBox::Ok);
  m_answers.Folder(clips);
  m_answers.Box(QMessageBox::Cancel);  // the report: the folder is not opened
  QTest::keyClick(&dlg(), Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return m_answers.AllAnswered() && !dlg().Clip().IsMakingClip(); }, 120000));
  // The clip dialog (Ctrl+E), the refusal, the report.
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[0], Box(369, 369));
  EXPECT_EQ(Boxes()[1], Box(131, 253));
  EXPECT_TRUE(Boxes()[2].startsWith(Box(369, 370))) << Boxes()[2].toStdString();
  const QStringList made = FilesBelow(clips);
  EXPECT_TRUE(made.filter(QRegularExpression("\\.AVI$", QRegularExpression::CaseInsensitiveOption)).size() == 1)
      << made.join(' ').toStdString();
  EXPECT_TRUE(Boxes()[2].contains(clips + "/" + made.front()));

  // Cancel on the board, or Escape, as soon as the clip starts: the folder
  // stays as it was.
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape);
    dlg().onProgress = [&] {
      QPushButton* cancel = dlg().Clip().ClipCancelButton();
      if (cancel && cancel->isVisible()) escape ? QTest::keyClick(&dlg(), Qt::Key_Escape) : cancel->click();
    };
    answerDialog(clips);
    m_answers.Box(QMessageBox::Ok);
    QTest::keyClick(&dlg(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return m_answers.AllAnswered() && !dlg().Clip().IsMakingClip(); }, 120000));
    EXPECT_EQ(Boxes().back(), Box(369, 372));
    EXPECT_EQ(FilesBelow(clips), made);
  }
}
