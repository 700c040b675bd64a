// OPEN of a card holding recordings cut off by power loss: one question, the
// destination picker, the progress board, the report with its offer to open
// the folder; then the repaired copies play with their map and curve.
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "CommandsSupport.h"
#include "playback/MediaEngine.h"

using e2e::ReadAll;
using e2e::Text;

namespace {

class CutRepairWindow : public e2e::WindowTest {};

// A recording of the test card's camera, cut as power loss leaves it.
void WriteCutRecording(const QString& path, int minute) {
  QDir().mkpath(QFileInfo(path).path());
  SynthOptions o;
  o.width = 320;
  o.height = 240;
  o.fps = 15;
  o.durationMs = e2e::kRecordingMs;
  o.hour = 8;
  o.minute = minute;
  o.gpsRate = 5;
  o.noFixRecords = 0;
  o.cutAt = 0.7;
  WriteSynthRecording(QFile::encodeName(path).toStdString(), o);
}

// A stand-in for the desktop's opener, found first on the PATH: writes what
// it was asked to open into `log`.
void InstallOpener(const QString& bin, const QString& log) {
  QDir().mkpath(bin);
  QFile script(bin + "/xdg-open");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(("#!/bin/sh\necho \"$1\" >> '" + log + "'\n").toUtf8());
  script.close();
  ::chmod(QFile::encodeName(script.fileName()).constData(), 0755);
  qputenv("PATH", (bin + ":" + qEnvironmentVariable("PATH")).toUtf8());
}

}  // namespace

TEST_F(CutRepairWindow, OpenOffersRepairedCopiesThatThenPlayWithMapAndCurve) {
  const QString card = CardFolder();
  m_card = e2e::WriteTestCard(card);
  const QString avi = card + "/2024/04/REC0009.AVI";
  const QString mov = card + "/2024/05/REC0010.MOV";  // beside REC0003.MOV of the same camera
  const QString lone = card + "/LONE/REC0011.MOV";    // nothing to rebuild it from
  WriteCutRecording(avi, 40);
  WriteCutRecording(mov, 41);
  WriteCutRecording(lone, 42);
  const QByteArray aviBytes = ReadAll(avi), movBytes = ReadAll(mov), loneBytes = ReadAll(lone);
  const QString copies = m_dir.path() + "/copies";
  QDir().mkpath(copies);
  const QString openerLog = m_dir.path() + "/opened.txt";
  InstallOpener(m_dir.path() + "/bin", openerLog);

  bool playingAtQuestion = true;
  int rowsAtQuestion = -1;
  m_answers.Folder(card);
  m_answers.Box(QMessageBox::Ok, [&] {
    playingAtQuestion = dlg().Playback().Engine().IsPlaying();
    rowsAtQuestion = dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount();
  });
  // A folder inside the card is refused, and the picker asks again.
  m_answers.Folder(card + "/2024");
  m_answers.Box(QMessageBox::Ok);
  m_answers.Folder(copies);
  m_answers.Box(QMessageBox::Ok);  // the report: show the folder in the file manager
  Press(dlg(), IDC_OPEN);
  ASSERT_TRUE(WaitFor([&] { return !opening().IsScanning() && m_answers.AllAnswered(); }, 120000));

  // The question came with the lists filled (the moov-less files are still
  // listed as the atom walk takes them) and before anything played.
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[0], Text(251) + "|" + Text(250).replace("%d", "3"));
  EXPECT_EQ(Boxes()[1], Box(131, 253));
  EXPECT_EQ(rowsAtQuestion, 7);
  EXPECT_FALSE(playingAtQuestion);
  ASSERT_EQ(m_answers.seen().size(), 6u);
  EXPECT_EQ(m_answers.seen()[2].text, Text(252));
  EXPECT_EQ(m_answers.seen()[4].text, Text(252));

  // The board went through the three files as for SAVE.
  EXPECT_EQ(dlg().progress, (std::vector<int>{0, 33, 66, 100}));
  EXPECT_FALSE(dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).isVisible());

  const QString report = Boxes()[2];
  EXPECT_TRUE(report.startsWith(Text(251) + "|" + Text(254))) << report.toStdString();
  EXPECT_TRUE(report.contains(copies + "/REC0009.AVI"));
  EXPECT_TRUE(report.contains(copies + "/REC0010.MOV"));
  EXPECT_TRUE(report.contains(Text(255) + "\n" + lone + "\n    " + Text(256))) << report.toStdString();
  EXPECT_TRUE(report.endsWith(Text(262)));
  ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(openerLog); }, 10000));
  EXPECT_EQ(ReadAll(openerLog).trimmed(), QUrl::fromLocalFile(copies).toString().toUtf8());

  // The card was only read; the copies are all the destination holds.
  EXPECT_EQ(ReadAll(avi), aviBytes);
  EXPECT_EQ(ReadAll(mov), movBytes);
  EXPECT_EQ(ReadAll(lone), loneBytes);
  EXPECT_EQ(QDir(copies).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{"REC0009.AVI", "REC0010.MOV"}));
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying() && busy() == 0; }, 60000));

  // The copies play, with their track on the map and their curve.
  m_answers.Folder(copies);
  Press(dlg(), IDC_OPEN);
  ASSERT_TRUE(WaitFor(
      [&] { return !opening().IsScanning() && dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount() == 2; },
      60000));
  EXPECT_TRUE(dlg().Library().CutRecordings().empty());
  for (int index = 0; index < 2; ++index) {
    SCOPED_TRACE(index);
    if (index > 0) emit dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).FileActivated(index);
    ASSERT_TRUE(WaitFor(
        [&] {
          return dlg().Library().CurrentRecording() == index && dlg().Playback().Engine().IsPlaying() && busy() == 0;
        },
        60000));
    ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().GetTime() > 300; }, 30000));
    EXPECT_GT(dlg().Library().GpsSamples().size(), 5u);
    EXPECT_GT(dlg().Library().GSensorSamples().size(), 10u);
    EXPECT_GT(dlg().Playback().Engine().GetLength(), 1000);
  }
  EXPECT_EQ(Boxes().size(), 3u);  // no question for a folder without cut files
}

TEST_F(CutRepairWindow, TheCopiesOpenInTheViewerAndAMissingFileManagerIsSaid) {
  const QString card = CardFolder();
  m_card = e2e::WriteTestCard(card);
  WriteCutRecording(card + "/2024/04/REC0009.AVI", 40);
  const QString bin = m_dir.path() + "/empty-bin";
  QDir().mkpath(bin);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.toUtf8());  // no opener to be found
  for (const bool viewer : {false, true}) {
    const QString copies = m_dir.path() + (viewer ? "/second" : "/first");
    QDir().mkpath(copies);
    m_answers.Folder(card);
    m_answers.Box(QMessageBox::Ok);
    m_answers.Folder(copies);
    m_answers.Box(viewer ? QMessageBox::Open : QMessageBox::Ok);
    if (!viewer) m_answers.Box(QMessageBox::Ok);  // nothing can show the folder: said so
    Press(dlg(), IDC_OPEN);
    ASSERT_TRUE(WaitFor([&] { return !opening().IsScanning() && m_answers.AllAnswered(); }, 120000));
    ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying() && busy() == 0; }, 60000));
    EXPECT_EQ(Boxes().back() == Text(131) + "|" + Text(282).replace("%s", copies), !viewer);
  }
  qputenv("PATH", path);
  // The second offer opened the copies as OPEN would.
  EXPECT_TRUE(WaitFor(
      [&] {
        return dlg().CurrentFolder() == m_dir.path() + "/second" && !opening().IsScanning() &&
               dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount() == 1;
      },
      60000));
}
