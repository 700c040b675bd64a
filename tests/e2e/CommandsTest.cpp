// The window's commands on a real card: OPEN with its scan, the file
// commands with their guards and messages, KML, the panels and the window
// buttons.
#include <unistd.h>

#include <QElapsedTimer>
#include <algorithm>
#include <QFileInfo>
#include <set>

#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"
#include "CommandsSupport.h"
#include "playback/MediaEngine.h"

using e2e::ReadAll;
using e2e::Text;

namespace {

class Commands : public e2e::WindowTest {};

int IniInt(const char* key) { return CSettings::Instance().ReadInt("UI", key, -1); }

// Columns of the progress board's middle row painted with the bar's green
// pattern.
int FilledBoardColumns(const QImage& board) {
  int filled = 0;
  const int y = board.height() / 2;
  for (int x = 0; x < board.width(); ++x) {
    const QRgb p = board.pixel(x, y);
    if (qGreen(p) > 150 && qGreen(p) > qRed(p) + 30 && qGreen(p) > qBlue(p) + 40) ++filled;
  }
  return filled;
}

}  // namespace

TEST_F(Commands, OpenScansABigCardWhileTheWindowKeepsPainting) {
  const QString big = m_dir.path() + "/big";
  SynthCardOptions options;
  options.recordings = 2000;
  options.cheapVideo = true;
  // Drives past midnight go on into the next day: every recording keeps a name of its own.
  std::set<std::string> files;
  for (const SynthCardFile& file : WriteSynthCard(QFile::encodeName(big).toStdString(), options))
    files.insert(file.relativePath);
  const int count = static_cast<int>(files.size());
  ASSERT_EQ(count, 2000);
  CSettings::Instance().WriteString("UI", "Folder", QFile::encodeName(m_dir.path()).toStdString());

  m_answers.Folder(big);
  Press(dlg(), IDC_OPEN);
  // The picker started at the last folder.
  ASSERT_EQ(m_answers.seen().size(), 1u);
  EXPECT_EQ(m_answers.seen()[0].title, Text(130));
  EXPECT_EQ(CSettings::Instance().ReadLastFolder(), QFile::encodeName(big).toStdString());

  // The command has returned with the scan still running: the window's own
  // event loop goes on, the surface shows the busy picture and a growing count.
  int turnsWhileScanning = 0;
  int lastCount = -1;
  bool countsGrow = true;
  bool busyShown = true;
  bool secondOpenIgnored = true;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (!opening().IsScanning()) return true;
        ++turnsWhileScanning;
        busyShown = busyShown && dlg().Ui().m_video.IsBusyPictureShown() && busy() == 1;
        countsGrow = countsGrow && dlg().Ui().m_video.Counter() >= lastCount;
        lastCount = dlg().Ui().m_video.Counter();
        if (turnsWhileScanning == 1) {
          // OPEN again while the library is empty but a scan runs: no picker.
          Press(dlg(), IDC_OPEN);
          secondOpenIgnored = m_answers.unexpected().empty();
        }
        return false;
      },
      120000));
  EXPECT_GE(turnsWhileScanning, 1) << "the scan held the window thread";
  EXPECT_TRUE(busyShown);
  EXPECT_TRUE(countsGrow);
  EXPECT_TRUE(secondOpenIgnored);

  // Then, in order: busy picture off, the last count, lists, delayed start.
  EXPECT_FALSE(dlg().Ui().m_video.IsBusyPictureShown());
  EXPECT_EQ(dlg().Library().ScanCount(), count);
  EXPECT_EQ(dlg().Ui().m_video.Counter(), count - 1);
  EXPECT_EQ(static_cast<int>(dlg().Library().Recordings().size()), count);
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount(), count);
  EXPECT_EQ(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GetItemCount(),
            static_cast<int>(dlg().Library().Groups().size()));
  EXPECT_GE(dlg().Playback().OpenCountdown(), 3);
  EXPECT_EQ(dlg().Playback().PendingIndex(), 0);
  EXPECT_EQ(dlg().Library().CurrentRecording(), -1);
  EXPECT_TRUE(std::is_sorted(
      dlg().Library().Recordings().begin(), dlg().Library().Recordings().end(),
      [](const RecordingInfo& a, const RecordingInfo& b) { return a.summary.startTime < b.summary.startTime; }));
  ASSERT_TRUE(WaitFor([&] { return dlg().Library().CurrentRecording() == 0; }, 20000));
  EXPECT_EQ(dlg().CurrentFolder(), big);
}

TEST_F(Commands, ClosingDuringAScanEndsAtOnceAndStartsNothing) {
  const QString big = m_dir.path() + "/big";
  SynthCardOptions options;
  options.recordings = 2000;
  options.cheapVideo = true;
  WriteSynthCard(QFile::encodeName(big).toStdString(), options);
  opening().OpenFolder(big);
  ASSERT_TRUE(opening().IsScanning());
  dlg().close();
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  m_session.reset();  // cancels and joins the worker
  EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(Commands, OpenOfAFolderThatIsGoneClearsTheSettingAndKeepsTheLibrary) {
  OpenCard();
  const QString gone = m_dir.path() + "/gone";
  QDir().mkpath(gone);
  // Removed after the picker took it, before the command looks at it.
  m_answers.Folder(gone, [gone] { QDir(gone).removeRecursively(); });
  Press(dlg(), IDC_OPEN);
  EXPECT_EQ(CSettings::Instance().ReadString("UI", "Folder", "?", 260), "");
  EXPECT_EQ(dlg().Library().Recordings().size(), 5u);
  EXPECT_EQ(busy(), 0);
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());  // stopped before the picker
  EXPECT_FALSE(opening().IsScanning());

  // A folder without recordings empties the library, without a message.
  const QString empty = m_dir.path() + "/empty";
  QDir().mkpath(empty + "/sub");
  m_answers.Folder(empty);
  Press(dlg(), IDC_OPEN);
  ASSERT_TRUE(WaitFor([&] { return !opening().IsScanning(); }));
  EXPECT_TRUE(dlg().Library().Recordings().empty());
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount(), 0);
  EXPECT_EQ(busy(), 0);
  EXPECT_TRUE(Boxes().empty());

  // Video files that cannot be read: the empty list says how many.
  const QString unreadable = m_dir.path() + "/unreadable";
  QDir().mkpath(unreadable);
  QFile(unreadable + "/FILE0002.MP4").open(QIODevice::WriteOnly);  // empty
  QFile text(unreadable + "/file0001.avi");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not a recording") > 0);
  text.close();
  m_answers.Folder(unreadable);
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_OPEN);
  ASSERT_TRUE(WaitFor([&] { return !opening().IsScanning() && m_answers.AllAnswered(); }));
  EXPECT_EQ(Boxes(), (std::vector<QString>{Box(145, 136) + "\n" + Text(320).arg(2)}));
}

TEST_F(Commands, FileCommandsNeedRecordingsAndCheckedGroups) {
  // Empty library: 136 / 145 and nothing else (no picker, no question, and
  // KML makes no GPS-log folder).
  const QString documents = QDir::homePath() + "/Documents";
  QDir(documents).removeRecursively();
  for (int id : {IDC_SAVE, IDC_DEL, IDC_LOCK, IDC_KML}) {
    m_answers.Box(QMessageBox::Ok);
    Press(dlg(), id);
  }
  ASSERT_EQ(Boxes().size(), 4u);
  for (const QString& box : Boxes()) EXPECT_EQ(box, Box(145, 136));
  EXPECT_FALSE(QFileInfo::exists(documents));
  EXPECT_EQ(Text(136), QString::fromUtf8("リストにファイルがありません。"));  // Japanese by default

  OpenCard();
  m_answers.Clear();
  const QString destination = m_dir.path() + "/backup";
  QDir().mkpath(destination);
  // Nothing ticked: said at once, no question and no picker.
  for (int id : {IDC_LOCK, IDC_DEL, IDC_SAVE}) {
    m_answers.Box(QMessageBox::Ok);
    Press(dlg(), id);
  }
  EXPECT_TRUE(m_answers.AllAnswered());
  EXPECT_EQ(Boxes(), (std::vector<QString>(3, Box(144, 135))));
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  EXPECT_EQ(dlg().Library().Recordings().size(), 5u);
  EXPECT_TRUE(QDir(destination).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(Commands, DeleteAsksFirstAndNeverDeletesProtectedRecordings) {
  OpenCard();
  dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).SetCheck(1, true);  // EVGS0004 (protected) and REC0005

  // The question names what goes and what stays, in Japanese down to Qt's
  // own buttons. Cancel: playback goes on as it was, nothing deleted, no other message.
  const QString question =
      Box(128, 129) + "\n\n" + Text(321).arg(1).arg(dlg().Library().Recordings()[4].summary.fileSize >> 20).arg(1);
  QString cancelText;
  m_answers.Box(QMessageBox::Cancel, [&] {
    cancelText = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->button(QMessageBox::Cancel)->text();
  });
  Press(dlg(), IDC_DEL);
  EXPECT_EQ(Boxes(), (std::vector<QString>{question}));
  EXPECT_EQ(cancelText, QString::fromUtf8("キャンセル"));
  EXPECT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying() && dlg().Button(IDC_PLAY).ShowsSecond(); }));
  for (const e2e::CardEntry& entry : m_card.recordings) EXPECT_TRUE(QFileInfo::exists(entry.path));
  EXPECT_EQ(dlg().Library().Recordings().size(), 5u);

  // OK: the normal recording goes, the event recording stays, the groups and
  // lists are rebuilt from what remains; the summary says so.
  m_answers.Box(QMessageBox::Ok);
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_DEL);
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[2], Text(128) + "|" + Text(324).arg(1).arg(1));
  EXPECT_TRUE(QFileInfo::exists(m_card.Path(3)));
  EXPECT_FALSE(QFileInfo::exists(m_card.Path(4)));
  ASSERT_EQ(dlg().Library().Recordings().size(), 4u);
  EXPECT_EQ(dlg().Library().Recordings()[3].name, "EVGS0004.AVI");
  ASSERT_EQ(dlg().Library().Groups().size(), 2u);
  EXPECT_EQ(dlg().Library().Groups()[1].count, 1);
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount(), 4);
  EXPECT_EQ(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GetItemCount(), 2);
  EXPECT_FALSE(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GetCheck(1));

  // A recording removed behind the program's back is reported by name and
  // reason; the others of its group are deleted.
  ASSERT_EQ(::unlink(QFile::encodeName(m_card.Path(1)).constData()), 0);
  dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).SetCheck(0, true);
  m_answers.Box(QMessageBox::Ok);
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_DEL);
  ASSERT_EQ(Boxes().size(), 5u);
  const QString report = Boxes()[4];
  EXPECT_TRUE(report.startsWith(Text(131) + "|" + Text(202))) << report.toStdString();
  EXPECT_TRUE(report.endsWith("\n\n" + Text(324).arg(2).arg(0))) << report.toStdString();
  EXPECT_TRUE(report.contains(m_card.Path(1))) << report.toStdString();
  EXPECT_TRUE(report.contains(Text(207))) << report.toStdString();
  EXPECT_FALSE(report.contains(m_card.Path(0)));
  EXPECT_FALSE(QFileInfo::exists(m_card.Path(0)));
  EXPECT_FALSE(QFileInfo::exists(m_card.Path(2)));
  // The vanished recording stays listed until it is gone for good.
  EXPECT_EQ(dlg().Library().Recordings().size(), 2u);
}

TEST_F(Commands, UnlockRemovesTheProtectionWhilePlaybackGoesOn) {
  OpenCard();
  ASSERT_FALSE(e2e::IsWritable(m_card.Path(3)));
  EXPECT_NE(dlg().Library().Groups()[1].flags, 0);
  dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).SetCheck(1, true);
  // Asked first, naming how many lose their protection; Cancel changes nothing.
  m_answers.Box(QMessageBox::Cancel);
  Press(dlg(), IDC_LOCK);
  EXPECT_EQ(Boxes(), (std::vector<QString>{Box(194, 322).arg(1)}));
  EXPECT_FALSE(e2e::IsWritable(m_card.Path(3)));
  m_answers.Box(QMessageBox::Ok);
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_LOCK);
  EXPECT_EQ(Boxes().back(), Box(194, 325).arg(1));
  EXPECT_TRUE(e2e::IsWritable(m_card.Path(3)));
  EXPECT_EQ(dlg().Library().Recordings()[3].flags, 0);
  EXPECT_EQ(dlg().Library().Groups()[1].flags, 0);
  EXPECT_EQ(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GetItemImage(1), 0);
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
}

TEST_F(Commands, GroupTipsGiveTheTripInTheChosenUnit) {
  OpenCard();
  auto& groups = dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST);
  const QString inKm = groups.RowToolTip(0);
  ASSERT_TRUE(CSettings::Instance().WriteSpeedUnit(SpeedUnit::Mph));
  groups.ClearRowTips();
  const QString inMiles = groups.RowToolTip(0);
  const QString milesHead = Text(326).section("%1", 0, 0);
  ASSERT_TRUE(inMiles.startsWith(milesHead)) << inMiles.toStdString();
  const double km = inKm.mid(Text(241).indexOf("%1")).section(' ', 0, 0).toDouble();
  const double miles = inMiles.mid(milesHead.size()).section(' ', 0, 0).toDouble();
  EXPECT_GT(km, 0.0);
  EXPECT_NEAR(miles, km / 1.609344, 0.006) << inMiles.toStdString();
}

TEST_F(Commands, SaveReproducesTheSubfoldersAndAsksBeforeOverwriting) {
  OpenCard();
  const QString backup = m_dir.path() + "/backup";
  QDir().mkpath(backup + "/2024/04");
  {
    QFile old(backup + "/2024/04/REC0002.AVI");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old copy");
  }
  dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).SetCheck(0, true);
  bool boardShown = false;
  int percentAtQuestion = -1;
  int filledOnScreen = -1;
  m_answers.Folder(backup);
  m_answers.Box(QMessageBox::Cancel, [&] {
    boardShown = dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).isVisible();
    percentAtQuestion = dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).Percent();
    // On screen: the bar is filled over a third of its 545 pixels.
    const QRect board = dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).geometry();
    const QImage shot = GrabScreen(QRect(dlg().mapToGlobal(board.topLeft()), QSize(125, board.height())));
    SaveArtifact(shot, "commands-save-progress-board.png");
    filledOnScreen = FilledBoardColumns(shot);
  });
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_SAVE);
  // Copying only paused playback for its dialogs.
  EXPECT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying(); }));

  ASSERT_EQ(Boxes().size(), 2u);
  QString question = Text(141);
  question.replace("%s", backup + "/2024/04/REC0002.AVI");
  EXPECT_EQ(Boxes()[0], Text(140) + "|" + question);
  EXPECT_EQ(Boxes()[1], Box(181, 323).arg(2).arg(1));
  EXPECT_TRUE(boardShown);
  EXPECT_EQ(percentAtQuestion, 33);
  // The question may already cover the bar's right part; its left part,
  // beside the box, is filled.
  EXPECT_GE(filledOnScreen, 115);
  EXPECT_EQ(dlg().progress, (std::vector<int>{0, 33, 66, 100}));
  EXPECT_EQ(dlg().progressTexts.back(), "100 %");
  EXPECT_FALSE(dlg().ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).isVisible());

  EXPECT_EQ(ReadAll(backup + "/2024/04/REC0001.AVI"), ReadAll(m_card.Path(0)));
  EXPECT_EQ(ReadAll(backup + "/2024/04/REC0002.AVI"), QByteArray("old copy"));
  EXPECT_EQ(ReadAll(backup + "/2024/05/REC0003.MOV"), ReadAll(m_card.Path(2)));
  EXPECT_FALSE(QFileInfo::exists(backup + "/EVENT"));

  // A write-protected file in the way is not replaced, even after OK, and
  // the report names it with its reason.
  const QString second = m_dir.path() + "/second";
  QDir().mkpath(second + "/2024/04");
  {
    QFile blocker(second + "/2024/04/REC0001.AVI");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("keep");
  }
  ::chmod(QFile::encodeName(second + "/2024/04/REC0001.AVI").constData(), 0444);
  m_answers.Folder(second);
  m_answers.Box(QMessageBox::Ok);  // overwrite? OK
  m_answers.Box(QMessageBox::Ok);  // the report
  Press(dlg(), IDC_SAVE);
  ASSERT_EQ(Boxes().size(), 4u);
  EXPECT_TRUE(Boxes()[3].startsWith(Text(131) + "|" + Text(201))) << Boxes()[3].toStdString();
  EXPECT_TRUE(Boxes()[3].contains(m_card.Path(0)));
  EXPECT_TRUE(Boxes()[3].contains(Text(205)));
  EXPECT_TRUE(Boxes()[3].endsWith(Text(323).arg(2).arg(0)));
  EXPECT_EQ(ReadAll(second + "/2024/04/REC0001.AVI"), QByteArray("keep"));
  EXPECT_EQ(ReadAll(second + "/2024/05/REC0003.MOV"), ReadAll(m_card.Path(2)));

  // A destination that is gone when the copy would start: 132 / 131.
  const QString gone = m_dir.path() + "/gone";
  QDir().mkpath(gone);
  m_answers.Folder(gone, [gone] { QDir(gone).removeRecursively(); });
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_SAVE);
  ASSERT_EQ(Boxes().size(), 5u);
  EXPECT_EQ(Boxes()[4], Box(131, 132));
}

TEST_F(Commands, KmlIsWrittenToTheGpsLogFolderAndNamedInTheMessage) {
  OpenCard();
  ASSERT_TRUE(WaitFor([&] { return dlg().Library().GpsBytes() > 0; }));
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_KML);
  ASSERT_EQ(Boxes().size(), 1u);
  const QString folder = QDir::homePath() + "/Documents/GPSLOG/";
  const QString path = folder + "REC0001_2024_04_12_08-30-00.KML";
  QString text = Text(125);
  text.replace("%s", path);
  EXPECT_EQ(Boxes()[0], Text(127) + "|" + text);
  EXPECT_TRUE(ReadAll(path).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
  EXPECT_TRUE(ReadAll(path).contains("<coordinates>"));
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());  // the export does not stop playback

  // A file that cannot be written: 126 with the composed path.
  QFile::remove(path);
  QDir().mkpath(path);  // a folder in the file's place
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_KML);
  ASSERT_EQ(Boxes().size(), 2u);
  text = Text(126);
  text.replace("%s", path);
  EXPECT_EQ(Boxes()[1], Text(127) + "|" + text);
  QDir(path).removeRecursively();
}

TEST_F(Commands, MapAndGsrToggleTheirPanelsAndTheSettings) {
  ASSERT_TRUE(dlg().IsMapEnabled());
  const QRect fileListWithMap = dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).geometry();
  Press(dlg(), IDC_MAP);
  EXPECT_FALSE(dlg().IsMapEnabled());
  EXPECT_FALSE(dlg().MapDlg()->isVisible());
  EXPECT_FALSE(dlg().MapDlg()->isEnabled());
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).geometry().top(), 48);
  EXPECT_EQ(IniInt("MAP_ENABLE"), 0);
  EXPECT_TRUE(m_dir.IniText().contains("MAP_ENABLE=0\n")) << m_dir.IniText().constData();
  Press(dlg(), IDC_MAP);
  EXPECT_TRUE(dlg().IsMapEnabled());
  EXPECT_TRUE(dlg().MapDlg()->isVisible());
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).geometry(), fileListWithMap);
  EXPECT_TRUE(m_dir.IniText().contains("MAP_ENABLE=1\n"));

  const QRect groupListWithCurve = dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).geometry();
  Press(dlg(), IDC_GSR);
  EXPECT_FALSE(dlg().IsGSensorEnabled());
  EXPECT_FALSE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_LT(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).geometry().top(), groupListWithCurve.top());
  EXPECT_TRUE(m_dir.IniText().contains("GSNR_ENABLE=0\n"));
  Press(dlg(), IDC_GSR);
  EXPECT_TRUE(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_EQ(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).geometry(), groupListWithCurve);
  EXPECT_TRUE(m_dir.IniText().contains("GSNR_ENABLE=1\n"));
}

TEST_F(Commands, CoverTheMonitorTwiceReturnsToTheFormerPlace) {
  dlg().setGeometry(100, 80, 900, 600);
  ASSERT_TRUE(WaitFor([&] { return dlg().Frame().ClientSize().width() == 900; }));
  Press(dlg(), IDC_MAXIMIZE);
  EXPECT_EQ(dlg().geometry(), dlg().Frame().MonitorRect());
  EXPECT_TRUE(dlg().Frame().IsMaximized());
  Press(dlg(), IDC_MAXIMIZE);
  EXPECT_EQ(dlg().geometry(), QRect(100, 80, 900, 600));
  EXPECT_FALSE(dlg().Frame().IsMaximized());
  // S clears the flag, so the button covers the monitor again.
  Press(dlg(), IDC_MAXIMIZE);
  Press(dlg(), IDC_SIZE_S);
  EXPECT_FALSE(dlg().Frame().IsMaximized());
  EXPECT_EQ(dlg().size(), QSize(800, 560));
}

TEST_F(Commands, MinimiseShowsTheVideoAgainOnRestore) {
  Press(dlg(), IDC_MINIMIZE);
  EXPECT_TRUE(dlg().Frame().IsVideoRestorePending());
  dlg().Control(IDC_VIDEO)->hide();  // what the platform may do to a native child while minimised
  dlg().showNormal();
  dlg().resize(820, 580);
  ASSERT_TRUE(WaitFor([&] { return !dlg().Frame().IsVideoRestorePending(); }));
  EXPECT_TRUE(dlg().Ui().m_video.isVisible());
}

TEST_F(Commands, CloseButtonClosesAndSavesTheRectangle) {
  dlg().setGeometry(120, 90, 820, 600);
  ASSERT_TRUE(WaitFor([&] { return dlg().Frame().ClientSize().width() == 820; }));
  bool closed = false;
  QObject::connect(&dlg(), &CTRKDlg::Closed, [&] { closed = true; });
  Press(dlg(), IDC_CLOSE);
  EXPECT_FALSE(closed);  // posted, not at once
  ASSERT_TRUE(WaitFor([&] { return closed; }));
  EXPECT_TRUE(m_dir.IniText().contains("[WINPOS]\nLEFT=120\nTOP=90\nRIGHT=940\nBOTTOM=690\n"))
      << m_dir.IniText().constData();
}
