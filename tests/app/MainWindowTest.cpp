#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHeaderView>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

#include "dialogs/CHtmlAboutDialog.h"
#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "dialogs/CTrcConfigDlg.h"
#include "../ScopedLocale.h"
#include "settings/Languages.h"
#include "MainWindowSupport.h"
#include "Synth.h"
#include "playback/MediaEngine.h"

namespace {

QRect At(const CTRKDlg& dlg, int id) {
  QWidget* control = dlg.Control(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control ? control->geometry() : QRect();
}

bool StartWindow(CTRKDlg& dlg) {
  dlg.OnInitDialog();
  dlg.show();
  return WaitFor([&] { return dlg.isVisible() && dlg.windowHandle() && dlg.windowHandle()->isExposed(); });
}

// The entry of the title area's menu that shows text `textId`.
QAction* MenuEntry(const CTRKDlg& dlg, uint32_t textId) {
  for (QAction* action : dlg.SystemMenu()->actions()) {
    if (!action->isSeparator() && action->text() == QString::fromStdString(LoadText(textId))) return action;
  }
  return nullptr;
}

// Opens a card of one recording as OPEN does and waits until it plays.
bool OpenOneRecording(ViewerSession& session, const ScopedSettingsDir& dir) {
  const CTRKDlg& dlg = session.Window();
  SynthCardOptions options;
  options.recordings = 1;
  options.cheapVideo = true;
  const QString card = dir.path() + "/card";
  WriteSynthCard(QFile::encodeName(card).toStdString(), options);
  session.Opening().OpenFolderWhenReady(card);
  return WaitFor([&] { return dlg.Library().Recordings().size() == 1 && dlg.Button(IDC_PLAY).ShowsSecond(); }, 30000);
}

bool WaitForMap(const CTRKDlg& dlg) {
  return WaitFor([&] { return dlg.MapDlg() && dlg.MapDlg()->IsPageLoaded(); }, 30000);
}

}  // namespace

TEST(MainWindow, StartsWithoutSettingsFileAtTheDefaultRectangle) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageBoxWatcher boxes;
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));

  // A frameless top-level window of its own (so it has a task bar entry).
  EXPECT_TRUE(dlg.isWindow());
  EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dlg.windowFlags() & Qt::WindowType_Mask, Qt::Window);
  EXPECT_EQ(dlg.windowTitle(), "KTR-DO Veveze ZariZ");
  EXPECT_EQ(dlg.geometry(), QRect(0, 0, 800, 560));
  EXPECT_TRUE(boxes.seen().empty()) << "unexpected message: " << boxes.seen().front().text.toStdString();

  // Settings defaults: map and curve shown, Google map.
  EXPECT_TRUE(dlg.IsMapEnabled());
  EXPECT_TRUE(dlg.IsGSensorEnabled());
  EXPECT_EQ(dlg.MapProvider(), 0);
  EXPECT_TRUE(dlg.ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());

  // The layout of the start size.
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG), QRect(5, 48, 545, 221));
  EXPECT_EQ(At(dlg, IDC_POSITION_SLIDER), QRect(5, 269, 545, 20));
  EXPECT_EQ(At(dlg, IDC_GSENSOR), QRect(5, 294, 545, 72));
  EXPECT_EQ(At(dlg, IDC_GROUP_LIST), QRect(5, 371, 545, 125));
  EXPECT_EQ(At(dlg, IDC_FILE_LIST), QRect(555, 293, 240, 203));
  EXPECT_EQ(At(dlg, IDC_PROGRESS_BOARD), QRect(5, 239, 545, 30));
  EXPECT_EQ(At(dlg, IDC_PLAY), QRect(302, 504, 48, 48));
  EXPECT_EQ(At(dlg, IDC_CLOSE), QRect(768, 2, 25, 25));
  ASSERT_TRUE(dlg.MapDlg());
  EXPECT_EQ(dlg.MapDlg()->geometry(), QRect(555, 48, 240, 240));
  EXPECT_TRUE(dlg.MapDlg()->isVisible());
  // No picture yet: the surface fills the area inside the sunken edge.
  EXPECT_EQ(At(dlg, IDC_VIDEO), QRect(7, 50, 541, 217));

  // Initial states of the control table.
  EXPECT_FALSE(dlg.Button(IDC_CONF).isVisible());
  EXPECT_FALSE(dlg.Button(IDC_CONF).isEnabled());
  EXPECT_FALSE(dlg.Button(IDC_FLIP).isVisible());
  EXPECT_FALSE(dlg.Button(IDC_FLIP).isEnabled());
  EXPECT_FALSE(dlg.ControlAs<CPngCompassStatic>(IDC_COMPASS).isVisible());
  EXPECT_FALSE(dlg.ControlAs<CPngCompassStatic>(IDC_COMPASS).isEnabled());
  EXPECT_EQ(dlg.ControlAs<CPngCompassStatic>(IDC_COMPASS).size(), QSize(32, 32));
  EXPECT_EQ(dlg.ControlAs<CPngCompassStatic>(IDC_COMPASS).Current(), 0);
  EXPECT_EQ(dlg.ControlAs<CPngStatic>(IDC_CAR).geometry(), QRect(8, 4, 40, 40));
  EXPECT_EQ(dlg.ControlAs<CPngStatic>(IDC_CAR).State(), 1);
  EXPECT_EQ(dlg.ControlAs<CPngStatic>(IDC_GPS_ICON).State(), 0);
  EXPECT_FALSE(dlg.ControlAs<CPngStatic>(IDC_BANNER).isEnabled());
  EXPECT_FALSE(dlg.ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).isVisible());
  EXPECT_EQ(dlg.ControlAs<CStatusBoardStatic>(IDC_PROGRESS_BOARD).PatternBitmap(), 189);
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_valid, 1);
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_speed, 0);
  EXPECT_EQ(dlg.ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetRangeMin(), 0);
  EXPECT_EQ(dlg.ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetRangeMax(), 1000);
  EXPECT_EQ(dlg.ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).GetRangeMax(), 100);
  EXPECT_EQ(dlg.ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).GetPos(), 100);
  EXPECT_TRUE(dlg.Button(IDC_PLAY).TogglesOnClick());
  EXPECT_TRUE(dlg.Button(IDC_LOOP).TogglesOnClick());
  EXPECT_TRUE(dlg.Button(IDC_VOLUME).TogglesOnClick());
  EXPECT_FALSE(dlg.Button(IDC_STOP).TogglesOnClick());
  EXPECT_EQ(dlg.Playback().RateIndex(), 7);
  EXPECT_TRUE(dlg.Playback().AutoNext());
  EXPECT_EQ(dlg.Playback().PendingIndex(), -1);
  EXPECT_EQ(dlg.Playback().SeekTarget(), 0);
  EXPECT_TRUE(dlg.IsTimerActive(TimerId::Seek));
  EXPECT_TRUE(dlgSession.Opening().IsCountingDown());
  EXPECT_FALSE(dlgSession.Busy().IsTimeoutArmed());

  // Lists in report view with the Japanese headers; the group list checks.
  EXPECT_EQ(dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).columnCount(), 5);
  EXPECT_EQ(dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).horizontalHeaderItem(0)->text(),
            QString::fromUtf8("グループ"));
  EXPECT_TRUE(dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).HasCheckBoxes());
  EXPECT_EQ(dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).columnCount(), 6);
  EXPECT_EQ(dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).horizontalHeaderItem(1)->text(),
            QString::fromUtf8("ファイル名"));
  EXPECT_FALSE(dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).HasCheckBoxes());

  // The video surface is a platform window of its own, and stays the one
  // handed to the media library after the map page has come.
  ASSERT_TRUE(WaitForMap(dlg));
  EXPECT_TRUE(dlg.Ui().m_video.testAttribute(Qt::WA_NativeWindow));
  ASSERT_NE(dlg.Ui().m_video.windowHandle(), nullptr);
  if (dlg.Playback().Engine().IsLoaded()) {
    EXPECT_EQ(dlg.Ui().m_video.winId(), dlg.Playback().BoundVideoWindow());
  }

  // The window's outline: the large rounding at the top left, small ones elsewhere.
  const QRegion shape = dlg.mask();
  EXPECT_FALSE(shape.contains(QPoint(2, 2)));
  EXPECT_FALSE(shape.contains(QPoint(4, 12)));
  EXPECT_TRUE(shape.contains(QPoint(12, 12)));
  EXPECT_TRUE(shape.contains(QPoint(30, 1)));
  EXPECT_FALSE(shape.contains(QPoint(799, 559)));
  EXPECT_TRUE(shape.contains(QPoint(796, 556)));
  EXPECT_FALSE(shape.contains(QPoint(799, 0)));
  EXPECT_TRUE(shape.contains(QPoint(400, 280)));

  // The title area's menu: About and the settings.
  ASSERT_NE(dlg.SystemMenu(), nullptr);
  EXPECT_NE(MenuEntry(dlg, 211), nullptr);
  EXPECT_NE(MenuEntry(dlg, 212), nullptr);
  dlg.close();
}

TEST(MainWindow, CurveOffFromTheStartGivesItsRoomToTheVideo) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nGSNR_ENABLE=0\n");
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  EXPECT_FALSE(dlg.IsGSensorEnabled());
  EXPECT_FALSE(dlg.ControlAs<CGSensorCtrl>(IDC_GSENSOR).isVisible());
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG), QRect(5, 48, 545, 293));
  EXPECT_EQ(At(dlg, IDC_POSITION_SLIDER), QRect(5, 341, 545, 20));
  EXPECT_EQ(At(dlg, IDC_GROUP_LIST), QRect(5, 366, 545, 130));
  EXPECT_EQ(dlg.MapDlg()->geometry(), QRect(555, 48, 240, 240));
  dlg.close();
}

TEST(MainWindow, MapOffFromTheStartKeepsTheHostWithNoHeight) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nMAP_ENABLE=0\n");
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  EXPECT_FALSE(dlg.IsMapEnabled());
  ASSERT_TRUE(dlg.MapDlg());
  EXPECT_EQ(dlg.MapDlg()->geometry(), QRect(555, 0, 240, 0));
  EXPECT_EQ(At(dlg, IDC_FILE_LIST), QRect(555, 48, 240, 448));
  // The page is created and loaded all the same.
  EXPECT_TRUE(WaitForMap(dlg));
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG), QRect(5, 48, 545, 221));
  dlg.close();
}

TEST(MainWindow, EscapeNeverClosesTheWindow) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  QSignalSpy closed(&dlg, &CTRKDlg::Closed);
  // Full screen (it needs a recording in the library), where Escape is the
  // key a user tries first to get out: the first Escape leaves full screen,
  // the ones after it, wherever the focus is, change nothing.
  ASSERT_TRUE(OpenOneRecording(dlgSession, dir));
  const QRect windowed = dlg.geometry();
  dlg.Frame().OnToggleFullScreen();
  ASSERT_TRUE(dlg.Frame().IsFullScreen());
  ASSERT_NE(dlg.geometry(), windowed);
  for (QWidget* target :
       {static_cast<QWidget*>(&dlg.Button(IDC_PLAY)), static_cast<QWidget*>(&dlg),
        static_cast<QWidget*>(&dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST)), dlg.Control(IDC_VIDEO)}) {
    QTest::keyClick(target, Qt::Key_Escape);
    Pump(50);
  }
  Pump(200);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(closed.count(), 0);
  EXPECT_FALSE(dlg.Frame().IsFullScreen());
  EXPECT_EQ(dlg.geometry(), windowed);

  // A dialog of the window closes on Escape as every dialog does; the window
  // behind it stays.
  QDialog dialog(&dlg);
  dialog.show();
  ASSERT_TRUE(WaitFor([&] { return dialog.isVisible(); }));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  Pump(100);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(closed.count(), 0);
  EXPECT_EQ(dlg.geometry(), windowed);
  dlg.close();
  EXPECT_EQ(closed.count(), 1);
}

TEST(MainWindow, CloseWritesTheRectangleAndTheNextStartRestoresIt) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  {
    ViewerSession firstSession;
    CTRKDlg& first = firstSession.Window();
    ASSERT_TRUE(StartWindow(first));
    first.setGeometry(123, 77, 900, 640);
    ASSERT_TRUE(WaitFor([&] { return first.geometry() == QRect(123, 77, 900, 640); }));
    // The close button posts the close.
    first.Button(IDC_CLOSE).click();
    ASSERT_TRUE(WaitFor([&] { return !first.isVisible(); }));
  }
  const QByteArray ini = dir.IniText();
  EXPECT_TRUE(ini.contains("[WINPOS]")) << ini.constData();
  EXPECT_TRUE(ini.contains("LEFT=123")) << ini.constData();
  EXPECT_TRUE(ini.contains("TOP=77")) << ini.constData();
  EXPECT_TRUE(ini.contains("RIGHT=1023")) << ini.constData();
  EXPECT_TRUE(ini.contains("BOTTOM=717")) << ini.constData();

  CSettings::ResetForTesting();
  ViewerSession secondSession;
  CTRKDlg& second = secondSession.Window();
  ASSERT_TRUE(StartWindow(second));
  EXPECT_EQ(second.geometry(), QRect(123, 77, 900, 640));
  // Laid out for the restored size.
  EXPECT_EQ(At(second, IDC_CLOSE), QRect(900 - 32, 2, 25, 25));
  EXPECT_EQ(At(second, IDC_LOCK), QRect(900 - 59, 640 - 40, 32, 32));
  second.close();
}

TEST(MainWindow, WithoutTheMediaLibraryTheWarningComesOnceAndTheWindowOpens) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[WINPOS]\nLEFT=40\nTOP=30\nRIGHT=900\nBOTTOM=650\n");
  const QByteArray saved = qgetenv("TRK_LIBVLC");
  qputenv("TRK_LIBVLC", "/nonexistent/libvlc.so.5");
  {
    std::unique_ptr<ViewerSession> session;
    CTRKDlg* dlg = nullptr;
    MessageBoxWatcher boxes([&] { return dlg && dlg->Frame().LastLayout().has_value(); });
    session = std::make_unique<ViewerSession>();
    dlg = &session->Window();
    EXPECT_FALSE(dlg->Playback().Engine().IsLoaded());
    ASSERT_TRUE(StartWindow(*dlg));
    Pump(300);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, QString::fromStdString(LoadText(133)));
    EXPECT_EQ(boxes.seen()[0].title, QString::fromStdString(LoadText(131)));
    EXPECT_FALSE(boxes.seen()[0].laidOut);  // shown before the layout
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->geometry(), QRect(40, 30, 860, 620));
    EXPECT_EQ(At(*dlg, IDC_VIDEO_BG).width(), 860 - 5 - 240 - 10);
    // The window keeps working without video.
    dlg->Frame().SetWindowSize(WindowSizeCommand::Small);
    EXPECT_TRUE(WaitFor([&] { return dlg->geometry() == QRect(560, 260, 800, 560); }));
    dlg->close();
  }
  if (saved.isNull()) {
    qunsetenv("TRK_LIBVLC");
  } else {
    qputenv("TRK_LIBVLC", saved);
  }
}

TEST(MainWindow, SizeCommandsUseTheWholeMonitor) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  const QRect monitor = dlg.Frame().MonitorRect();
  ASSERT_EQ(monitor, QRect(0, 0, 1920, 1080));  // the test's X screen
  dlg.Button(IDC_SIZE_M).click();
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(240, 135, 1536, 864); }));
  EXPECT_EQ(At(dlg, IDC_CLOSE), QRect(1536 - 32, 2, 25, 25));
  dlg.Button(IDC_SIZE_L).click();
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(0, 0, 1920, 1080); }));
  EXPECT_FALSE(dlg.Frame().IsMaximized());
  dlg.Button(IDC_SIZE_S).click();
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(560, 260, 800, 560); }));
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG), QRect(5, 48, 545, 221));

  // In full-screen mode the video area covers the monitor (in the window's
  // coordinates) and the surface has no edge; nothing else moves, also when
  // the window is given its small size back while in full screen.
  const QRect playBefore = At(dlg, IDC_PLAY);
  ASSERT_TRUE(OpenOneRecording(dlgSession, dir));  // full screen wants a recording
  dlg.Frame().OnToggleFullScreen();
  ASSERT_TRUE(dlg.Frame().IsFullScreen());
  dlg.setGeometry(560, 260, 800, 560);
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(560, 260, 800, 560); }));
  dlg.LayoutControls(dlg.width(), dlg.height());
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG), QRect(-560, -260, 1920, 1080));
  EXPECT_EQ(At(dlg, IDC_VIDEO), QRect(-560, -260, 1920, 1080));  // the 16:9 picture fills it
  EXPECT_EQ(At(dlg, IDC_PLAY), playBefore);
  dlg.Frame().OnToggleFullScreen();
  ASSERT_FALSE(dlg.Frame().IsFullScreen());
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(560, 260, 800, 560); }));
  // Inside the edge again: the 640 x 360 picture fitted to the 541 x 217 area
  // (385 x 217, one column less for an even width).
  EXPECT_EQ(At(dlg, IDC_VIDEO), QRect(7 + (541 - 384) / 2, 50, 384, 216));
  dlg.close();
}

TEST(MainWindow, GapAndGripDragsFollowThePointer) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  // Column gap from x 552 to 400: the right column starts 5 pixels right of it.
  Drag(&dlg, QPoint(552, 200), QPoint(400, 200));
  ASSERT_TRUE(dlg.Frame().LastLayout().has_value());
  EXPECT_EQ(dlg.Frame().LastLayout()->rightColumnWidth, 800 - 400 - 10);
  EXPECT_EQ(dlg.MapDlg()->geometry().x(), 405);
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG).width(), 395);  // xr - 10
  // The release ended the drag: the pointer moving on moves no gap.
  SendMouse(&dlg, QEvent::MouseMove, QPoint(300, 200), Qt::NoButton);
  EXPECT_EQ(dlg.MapDlg()->geometry().x(), 405);
  // Far to the right: at least 20 wide.
  Drag(&dlg, QPoint(402, 200), QPoint(5000, 200));
  EXPECT_EQ(dlg.MapDlg()->geometry().width(), 20);
  // Map gap (between map and file list) down to y 350.
  Drag(&dlg, QPoint(790, 290), QPoint(790, 350));
  EXPECT_EQ(dlg.MapDlg()->geometry().bottom() + 1, 350);
  // List gap up to y 330: the list's top lands 5 pixels below.
  Drag(&dlg, QPoint(100, 368), QPoint(100, 330));
  EXPECT_EQ(At(dlg, IDC_GROUP_LIST).y(), 335);
  // Dragged far up, the video keeps 5 pixels.
  Drag(&dlg, QPoint(100, 333), QPoint(100, -400));
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG).height(), 5);
  // Grip: never below 800 x 560.
  Drag(&dlg, QPoint(790, 550), QPoint(300, 200));
  EXPECT_TRUE(WaitFor([&] { return dlg.size() == QSize(800, 560); }));
  Drag(&dlg, QPoint(790, 550), QPoint(1000, 700));
  EXPECT_TRUE(WaitFor([&] { return dlg.size() == QSize(1000, 700); }));
  EXPECT_EQ(dlg.pos(), QPoint(0, 0));  // resized without moving
  EXPECT_EQ(At(dlg, IDC_CLOSE), QRect(968, 2, 25, 25));
  dlg.close();
}

TEST(MainWindow, ColumnGapKeepsWorkingWithTheMapOff) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  Press(dlg, IDC_MAP);
  ASSERT_FALSE(dlg.IsMapEnabled());
  // The gap right, then left again: it lands where the map used to be, and
  // a press there still moves the gap, not the hidden map's bottom edge.
  Drag(&dlg, QPoint(552, 200), QPoint(652, 200));
  EXPECT_EQ(At(dlg, IDC_FILE_LIST).x(), 657);
  Drag(&dlg, QPoint(652, 200), QPoint(602, 200));
  EXPECT_EQ(At(dlg, IDC_FILE_LIST).x(), 607);
  EXPECT_EQ(At(dlg, IDC_VIDEO_BG).width(), 597);
  // With the map back, its gap is there again.
  Press(dlg, IDC_MAP);
  Drag(&dlg, QPoint(790, 290), QPoint(790, 350));
  EXPECT_EQ(dlg.MapDlg()->geometry().bottom() + 1, 350);
  dlg.close();
}

TEST(MainWindow, PointerShowsWhatAPressWouldDragAndTheCoveringWindowKeepsItsSize) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  const struct {
    QPoint at;
    Qt::CursorShape shape;
  } rows[] = {
      {{552, 200}, Qt::SizeHorCursor},   {{790, 290}, Qt::SizeVerCursor}, {{100, 368}, Qt::SizeVerCursor},
      {{790, 550}, Qt::SizeFDiagCursor}, {{300, 30}, Qt::ArrowCursor},
  };
  for (const auto& row : rows) {
    SendMouse(&dlg, QEvent::MouseMove, row.at, Qt::NoButton);
    EXPECT_EQ(dlg.cursor().shape(), row.shape) << row.at.x() << "," << row.at.y();
  }
  // Covering the monitor, the grip resizes nothing.
  Press(dlg, IDC_MAXIMIZE);
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(0, 0, 1920, 1080); }));
  Drag(&dlg, QPoint(1910, 1070), QPoint(1000, 700));
  Pump(50);
  EXPECT_EQ(dlg.geometry(), QRect(0, 0, 1920, 1080));
  dlg.close();
}

TEST(MainWindow, DoubleClickCoversTheMonitorExceptOnTheSpeedLabel) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  dlg.setGeometry(100, 100, 800, 560);
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(100, 100, 800, 560); }));

  const QPoint onSpeed = dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).geometry().center();
  SendMouse(&dlg, QEvent::MouseButtonDblClick, onSpeed, Qt::LeftButton);
  Pump(100);
  EXPECT_FALSE(dlg.Frame().IsMaximized());
  EXPECT_EQ(dlg.geometry(), QRect(100, 100, 800, 560));

  SendMouse(&dlg, QEvent::MouseButtonDblClick, QPoint(520, 30), Qt::LeftButton);
  EXPECT_TRUE(dlg.Frame().IsMaximized());
  EXPECT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(0, 0, 1920, 1080); }));
  SendMouse(&dlg, QEvent::MouseButtonDblClick, QPoint(520, 30), Qt::LeftButton);
  EXPECT_FALSE(dlg.Frame().IsMaximized());
  EXPECT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(100, 100, 800, 560); }));
  dlg.close();
}

TEST(MainWindow, AboutButtonAndTitleMenuOpenTheAboutDialog) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  int opened = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* about = qobject_cast<CHtmlAboutDialog*>(QApplication::activeModalWidget())) {
      ++opened;
      EXPECT_EQ(about->size(), QSize(500, 230));
      about->reject();
    }
  });
  closer.start(50);
  dlg.Button(IDC_ABOUT).click();
  EXPECT_EQ(opened, 1);
  QAction* entry = MenuEntry(dlg, 211);
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  EXPECT_EQ(opened, 2);
  dlg.close();
}

namespace {

// A real pointer at global `at`: the local position follows the window.
void SendGlobal(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(target->mapFromGlobal(at)), QPointF(at),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

}  // namespace

TEST(MainWindow, DraggingTheBackgroundMovesTheWindow) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  ASSERT_EQ(dlg.pos(), QPoint(0, 0));
  // A click alone does not move.
  SendGlobal(&dlg, QEvent::MouseButtonPress, QPoint(300, 30), Qt::LeftButton);
  SendGlobal(&dlg, QEvent::MouseButtonRelease, QPoint(300, 30), Qt::NoButton);
  Pump(50);
  EXPECT_EQ(dlg.pos(), QPoint(0, 0));
  // The test's X server has no window manager to move it, so the window
  // follows the pointer itself.
  SendGlobal(&dlg, QEvent::MouseButtonPress, QPoint(300, 30), Qt::LeftButton);
  for (const QPoint at : {QPoint(320, 40), QPoint(350, 60), QPoint(400, 80)}) {
    SendGlobal(&dlg, QEvent::MouseMove, at, Qt::LeftButton);
    Pump(20);
  }
  SendGlobal(&dlg, QEvent::MouseButtonRelease, QPoint(400, 80), Qt::NoButton);
  EXPECT_TRUE(WaitFor([&] { return dlg.pos() == QPoint(100, 50); }, 3000)) << dlg.pos().x() << "," << dlg.pos().y();
  // Covering the monitor, the background does not move the window.
  dlg.Frame().OnBnClickedMaximize();
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(0, 0, 1920, 1080); }));
  SendGlobal(&dlg, QEvent::MouseButtonPress, QPoint(300, 30), Qt::LeftButton);
  SendGlobal(&dlg, QEvent::MouseMove, QPoint(400, 90), Qt::LeftButton);
  SendGlobal(&dlg, QEvent::MouseButtonRelease, QPoint(400, 90), Qt::NoButton);
  Pump(50);
  EXPECT_EQ(dlg.pos(), QPoint(0, 0));
  dlg.Frame().OnBnClickedMaximize();
  EXPECT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(100, 50, 800, 560); }));
  dlg.close();
}

TEST(MainWindow, RightClickOnTheTitleAreaOffersAbout) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  QStringList shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) shown << action->text();
      }
      menu->close();
    }
  });
  closer.start(30);
  QContextMenuEvent inTitle(QContextMenuEvent::Mouse, QPoint(300, 20), dlg.mapToGlobal(QPoint(300, 20)));
  QApplication::sendEvent(&dlg, &inTitle);
  EXPECT_EQ(shown, (QStringList{QString::fromStdString(LoadText(211)), QString::fromStdString(LoadText(212))}));
  shown.clear();
  // Below the title area there is no menu.
  QContextMenuEvent below(QContextMenuEvent::Mouse, QPoint(300, 500), dlg.mapToGlobal(QPoint(300, 500)));
  QApplication::sendEvent(&dlg, &below);
  Pump(100);
  EXPECT_TRUE(shown.isEmpty());
  dlg.close();
}

TEST(MainWindow, TitleMenuOpensTheSettingsWhoseLanguageAndUnitTakeEffectAtOnce) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ScopedLocale locale({{"LANG", "ja_JP.UTF-8"}});
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  EXPECT_FALSE(dlg.Button(IDC_CONF).isVisible());  // the Conf button stays hidden
  auto text = [](uint32_t id, uint16_t langId) { return QString::fromStdString(LoadTextForLanguage(id, langId)); };
  EXPECT_EQ(dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).ColumnText(0), text(116, kLangIdJapanese));
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_unit, "Km/h");

  QStringList headersWhileOpen;
  QString unitWhileOpen;
  QStringList menuWhileOpen;
  int opened = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* config = qobject_cast<CTrcConfigDlg*>(QApplication::activeModalWidget());
    if (config == nullptr || !config->isVisible()) return;
    ++opened;
    config->Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->setCurrentIndex(1);
    config->Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
    config->Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->setCurrentIndex(1);
    config->Button(CTrcConfigDlg::IDC_APPLY_SPEED_UNIT)->click();
    Pump(100);  // the window handles the posted language change
    for (int column = 0; column < 5; ++column)
      headersWhileOpen << dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).ColumnText(column);
    for (int column = 0; column < 6; ++column)
      headersWhileOpen << dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).ColumnText(column);
    for (QAction* action : dlg.SystemMenu()->actions())
      if (!action->isSeparator()) menuWhileOpen << action->text();
    unitWhileOpen = dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_unit;
    config->Button(CTrcConfigDlg::IDCANCEL)->click();
  });
  driver.start(30);
  QAction* settings = MenuEntry(dlg, 212);
  ASSERT_NE(settings, nullptr);
  settings->trigger();
  driver.stop();
  ASSERT_EQ(opened, 1);

  QStringList english;
  for (uint32_t id : {116, 117, 118, 119, 120, 121, 122, 118, 123, 120, 124}) english << text(id, kLangIdEnglish);
  EXPECT_EQ(headersWhileOpen, english);
  EXPECT_EQ(menuWhileOpen, (QStringList{text(211, kLangIdEnglish), text(212, kLangIdEnglish)}));
  EXPECT_EQ(unitWhileOpen, "mph");
  // Cancel keeps what was applied.
  const QByteArray ini = dir.IniText();
  EXPECT_TRUE(ini.contains("LANGID=ENG")) << ini.constData();
  EXPECT_TRUE(ini.contains("SPEED_UNIT=MPH")) << ini.constData();
  dlg.Ui().m_speed.SetSpeed(true, 100);
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_text, " 62");
  dlg.close();
}

TEST(MainWindow, StoredMilesAreShownFromTheStart) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nSPEED_UNIT=MPH\n");
  ViewerSession dlgSession;
  CTRKDlg& dlg = dlgSession.Window();
  ASSERT_TRUE(StartWindow(dlg));
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_unit, "mph");
  EXPECT_EQ(dlg.ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_text, "  0");
  dlg.close();
}
