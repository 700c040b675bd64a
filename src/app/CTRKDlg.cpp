#include "app/CTRKDlg.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "map/CHtmlMapDlg.h"
#include "controls/CListCtrl.h"
#include "settings/CSettings.h"
#include "app/ClipWorker.h"
#include "controls/ControlId.h"
#include "settings/Languages.h"
#include "map/MapReload.h"
#include "app/NativeSurface.h"
#include "app/QtTranslations.h"
#include "app/TitleMenu.h"
#include "app/TrkMessageBox.h"

namespace {

// Statics the layout leaves where the template put them: dialog units of the
// template font (base units 6 x 13) turned into pixels.
QRect TemplateRect(int x, int y, int w, int h) { return QRect(x * 6 / 4, y * 13 / 8, w * 6 / 4, h * 13 / 8); }

QIcon ProgramIcon() {
  for (const char* path : {":/icon/128.png", ":/png/128.png", ":/png/200.png"}) {
    if (QFile::exists(QString::fromLatin1(path))) return QIcon(QString::fromLatin1(path));
  }
  return QIcon();
}

}  // namespace

CTRKDlg::CTRKDlg(RecordingLibrary& library, CPlaybackController& playback, CHtmlMapDlg& mapHost, BusyGuard& busy,
                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_mapDlg(&mapHost),
      m_library(library),
      m_busy(busy),
      m_playback(&playback) {
  CSettings& settings = CSettings::Instance();
  m_mapProvider = settings.ReadMapProvider();
  m_title = QStringLiteral("KTR-DO Veveze ZariZ");
  m_titleSize = 18;
  m_hIcon = ProgramIcon();
  m_background = QColor(64, 64, 64);

  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, m_background);
  setPalette(pal);
  SetUpControls();
}

void CTRKDlg::SetUpControls() {
  // What the dialog template gives each control before the layout runs.
  SetControlId(&m_ui.m_mapPlaceholder, IDC_MAP_STATIC);
  m_ui.m_mapPlaceholder.setObjectName(QStringLiteral("1004"));
  m_ui.m_mapPlaceholder.setGeometry(555, 48, 240, 240);
  m_ui.m_gsensor.resize(545, 72);
  m_ui.m_groupList.setGeometry(TemplateRect(7, 300, 392, 71));
  m_ui.m_fileList.setGeometry(TemplateRect(405, 222, 194, 145));
  m_ui.m_gpsIcon.setGeometry(TemplateRect(203, 5, 19, 16));
  m_ui.m_compass.setGeometry(TemplateRect(197, 1, 22, 22));
  m_ui.m_speed.setGeometry(TemplateRect(264, 0, 60, 20));
  m_ui.m_banner.setGeometry(TemplateRect(35, 1, 24, 8));
  m_ui.m_progressBoard.hide();

  // The video surface is above its background; the progress board lies over
  // the bottom of the video area and must stay visible above the surface's
  // native window, so it gets a native window of its own.
  MakeNativeSurface(&m_ui.m_video);
  MakeNativeSurface(&m_ui.m_progressBoard);
  m_ui.m_videoBg.lower();
  m_ui.m_progressBoard.raise();

  for (CGdipButton* button :
       {&m_ui.m_play,      &m_ui.m_stop,   &m_ui.m_slow,  &m_ui.m_fast,  &m_ui.m_conf,     &m_ui.m_del,
        &m_ui.m_save,      &m_ui.m_snap,   &m_ui.m_open,  &m_ui.m_loop,  &m_ui.m_flip,     &m_ui.m_kml,
        &m_ui.m_mapButton, &m_ui.m_gsr,    &m_ui.m_lock,  &m_ui.m_close, &m_ui.m_maximize, &m_ui.m_minimize,
        &m_ui.m_about,     &m_ui.m_volume, &m_ui.m_sizeS, &m_ui.m_sizeM, &m_ui.m_sizeL}) {
    button->setFocusPolicy(Qt::NoFocus);
  }
  // The title area's menu: About and the configuration dialog.
  m_systemMenu = std::make_unique<QMenu>(this);
  FillTitleMenu(*m_systemMenu);
  m_playbackPresenter->SetUpPlaybackConnections();
  // playback -> the trip's events and the clip's marks of the recording that opens
  connect(m_playbackPresenter.get(), &PlaybackPresenter::RecordingOpening, this, [this](int32_t index) {
    m_events->LoadTripEvents(index);
    m_clip->ShowClipMarks();
  });
  SetUpCommands();
  m_events = std::make_unique<TripEventsPresenter>(*this, m_library, *m_playback, *m_playbackPresenter);
  setAcceptDrops(true);
}

QWidget* CTRKDlg::Control(int id) const { return FindControl(this, id); }

bool CTRKDlg::OnInitDialog() {
  CSettings& settings = CSettings::Instance();
  ApplyQtTranslations();

  setWindowIcon(m_hIcon);

  m_mapEnabled = settings.ReadInt("UI", "MAP_ENABLE", 1) != 0 ? 1 : 0;
  m_gsensorEnabled = settings.ReadInt("UI", "GSNR_ENABLE", 1) != 0 ? 1 : 0;
  if (m_gsensorEnabled == 0) m_ui.m_gsensor.hide();

  if (!m_playback->IsLoaded()) {
    TrkMessageBox(this, 133, 131, QMessageBox::Ok, QMessageBox::Warning);
  } else {
    m_playback->BindVideoWindow(static_cast<unsigned long>(m_ui.m_video.winId()));
  }

  m_ui.m_positionSlider.SetRange(0, 1000, false);
  m_ui.m_volumeSlider.SetRange(0, 100, false);
  m_ui.m_volumeSlider.SetPos(100);
  if (m_playback->IsLoaded()) m_playback->SetVolume(200);

  m_mapDlg->CreateInPlaceholder(this, &m_ui.m_mapPlaceholder);
  // A click on the recording's route plays from its nearest point.
  connect(m_mapDlg, &CHtmlMapDlg::RoutePointClicked, this, [this](int index) {
    const int64_t time = m_trackDisplay.RoutePointTime(static_cast<std::size_t>(index));
    if (time >= 0) m_playbackPresenter->PlayFrom(time);
  });
  m_trackDisplay.SetMap(m_mapDlg);
  ReloadMapPage(*m_mapDlg, m_mapProvider, [this] { m_trackDisplay.DrawLoadedTrack(); });

  LoadPictures();
  m_ui.m_speed.SetUnit(settings.ReadSpeedUnit());

  setWindowTitle(m_title);

  // The saved rectangle, fitted to the primary screen's usable area.
  WindowRect rect;
  const QScreen* primary = QGuiApplication::primaryScreen();
  const QSize screen = primary != nullptr ? primary->availableGeometry().size() : QSize(1920, 1080);
  settings.ReadWindowRect(rect, screen.width(), screen.height());
  setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  raise();

  LayoutControls(width(), height());

  m_ui.m_progressBoard.SetPatternBitmap(189);
  m_ui.m_progressBoard.repaint();
  // The board's platform window loses what is drawn into it before it has
  // been shown once with the window on screen: show it once as soon as the
  // window is, so that the copy's first progress is seen at once.
  QTimer::singleShot(0, this, [this] {
    if (m_ui.m_progressBoard.isVisible()) return;
    m_ui.m_progressBoard.show();
    m_ui.m_progressBoard.hide();
  });

  m_toolTip = std::make_unique<CTrcToolTipCtrl>(this);
  m_toolTip->Activate(true);
  m_toolTip->ResetTools();
  m_toolTip->m_tipEntries.clear();
  ApplyButtonTips();

  SetUpLists();

  SetTimer(TimerId::Seek, 500);

  // Children without a cursor of their own keep the arrow instead of taking
  // the sizing cursors the window shows over its gaps.
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!child->testAttribute(Qt::WA_SetCursor)) child->setCursor(Qt::ArrowCursor);
  }
  return true;
}

void CTRKDlg::LoadPictures() {
  struct Picture {
    CGdipButton* button;
    uint32_t normal;
    uint32_t second;  // 0: one picture
  };
  const Picture pictures[] = {
      {&m_ui.m_play, 129, 132}, {&m_ui.m_stop, 133, 0},     {&m_ui.m_slow, 137, 0},      {&m_ui.m_fast, 136, 0},
      {&m_ui.m_del, 142, 0},    {&m_ui.m_save, 141, 0},     {&m_ui.m_snap, 140, 0},      {&m_ui.m_open, 139, 0},
      {&m_ui.m_loop, 143, 176}, {&m_ui.m_kml, 145, 0},      {&m_ui.m_mapButton, 146, 0}, {&m_ui.m_gsr, 147, 0},
      {&m_ui.m_lock, 148, 0},   {&m_ui.m_close, 151, 0},    {&m_ui.m_maximize, 152, 0},  {&m_ui.m_minimize, 153, 0},
      {&m_ui.m_about, 154, 0},  {&m_ui.m_volume, 156, 155}, {&m_ui.m_sizeS, 1045, 0},    {&m_ui.m_sizeM, 187, 0},
      {&m_ui.m_sizeL, 188, 0},
  };
  for (const Picture& p : pictures) {
    p.button->SetImage(p.normal);
    if (p.second != 0) {
      p.button->SetSecondImage(p.second);
      p.button->EnableToggle();
    }
  }
  m_ui.m_conf.hide();
  m_ui.m_conf.setEnabled(false);
  m_ui.m_flip.hide();
  m_ui.m_flip.setEnabled(false);

  m_ui.m_gpsIcon.SetPicture(150);
  m_ui.m_gpsIcon.SetState(0);
  m_ui.m_car.SetPicture(157);
  m_ui.m_car.SetState(1);
  m_ui.m_car.setGeometry(8, 4, 40, 40);
  m_ui.m_banner.setEnabled(false);
  for (uint32_t id = 167; id <= 174; ++id) m_ui.m_compass.AddPicture(id);
  m_ui.m_compass.ShowPicture(0);
  m_ui.m_compass.resize(32, 32);
  m_ui.m_compass.hide();
  m_ui.m_compass.setEnabled(false);
  m_ui.m_videoBg.show();
  m_ui.m_speed.SetSpeed(true, 0);
}

void CTRKDlg::SetUpLists() {
  m_ui.m_groupList.SetCheckBoxes(true);
  m_ui.m_fileList.SetCheckBoxes(false);
  for (CListCtrl* list : {static_cast<CListCtrl*>(&m_ui.m_groupList), static_cast<CListCtrl*>(&m_ui.m_fileList)}) {
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    InitListImageList(*list);
  }
  m_ui.m_groupList.InitColumns();
  m_ui.m_fileList.InitColumns();
}

// What a copy asks and shows.

bool CTRKDlg::ConfirmOverwrite(const std::string& destinationPath) {
  const QString text = LoadQText(141).replace(QStringLiteral("%s"), QFile::decodeName(destinationPath.c_str()));
  return TrkMessageBox(this, text, LoadQText(140), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon) ==
         QMessageBox::Ok;
}

void CTRKDlg::ShowCopyProgress(int percent, const std::string& text) {
  m_ui.m_progressBoard.SetProgress(percent, QString::fromStdString(text));
  m_ui.m_progressBoard.show();
  m_ui.m_progressBoard.raise();
  m_ui.m_progressBoard.repaint();
}

void CTRKDlg::HideCopyProgress() { m_ui.m_progressBoard.hide(); }
