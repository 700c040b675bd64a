// The KML button's right-click menu (KML, GPX of the recording or of the
// whole trip, CSV, and the clip) and the trip figures shown as the group rows' tooltips.
#include <QFile>
#include <QKeySequence>
#include <QMenu>

#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "playback/DialogPause.h"
#include "export/TrackExport.h"
#include "app/TrkMessageBox.h"

namespace {

struct MenuEntry {
  ExportChoice choice;
  int textId;
};
constexpr MenuEntry kMenu[] = {
    {ExportChoice::Kml, kExportMenuKmlText},
    {ExportChoice::GpxRecording, kExportMenuGpxRecordingText},
    {ExportChoice::GpxTrip, kExportMenuGpxTripText},
    {ExportChoice::Csv, kExportMenuCsvText},
};

// The clip command, beside the exports (CTRKDlgClip.cpp).
constexpr uint32_t kClipMenuText = 360;
// 241 in miles.
constexpr uint32_t kTripFiguresMilesText = 326;

QString Decimal(double value, int decimals) {
  std::string text;
  AppendDecimal(text, value, decimals);
  return QString::fromStdString(text);
}

}  // namespace

void CTRKDlg::SetUpExportMenu() {
  m_ui.m_kml.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&m_ui.m_kml, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { OnKmlMenu(m_ui.m_kml.mapToGlobal(pos)); });
  m_ui.m_groupList.SetRowTipSource([this](int row) { return GroupTripTip(row); });
}

void CTRKDlg::OnKmlMenu(const QPoint& globalPos) {
  // Texts are loaded each time: the language may have changed since.
  QMenu menu(this);
  for (const MenuEntry& entry : kMenu)
    menu.addAction(LoadQText(static_cast<uint32_t>(entry.textId)))->setData(static_cast<int>(entry.choice));
  menu.addSeparator();
  QAction* clip = menu.addAction(LoadQText(kClipMenuText));
  clip->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));  // shown beside it; the window's key does it
  const QAction* chosen = menu.exec(globalPos);
  if (chosen == clip) {
    OnClip();
  } else if (chosen) {
    OnExport(static_cast<ExportChoice>(chosen->data().toInt()));
  }
}

void CTRKDlg::OnExport(ExportChoice choice) {
  // Paused under its message, as the other commands that ask or tell.
  DialogPause pause(*m_playback);
  const ExportCommandResult result = RunExportCommand(m_library, choice);
  QString text = LoadQText(static_cast<uint32_t>(result.textId));
  text.replace(QStringLiteral("%s"), QFile::decodeName(result.path.c_str()));
  TrkMessageBox(this, text, LoadQText(static_cast<uint32_t>(result.captionId)), QMessageBox::Ok, QMessageBox::NoIcon);
}

QString CTRKDlg::GroupTripTip(int row) {
  std::vector<TrackPart> parts;
  std::string unreadable;
  if (!LoadGroupParts(m_library, row, parts, unreadable)) {
    if (unreadable.empty()) return QString();
    return LoadQText(kRecordingUnreadableText).replace(QStringLiteral("%s"), QFile::decodeName(unreadable.c_str()));
  }
  const TripFigures figures = ComputeTripFigures(parts);
  // In the unit the speed display shows.
  const SpeedUnit unit = CSettings::Instance().ReadSpeedUnit();
  return LoadQText(unit == SpeedUnit::Mph ? kTripFiguresMilesText : static_cast<uint32_t>(kTripFiguresText))
             .arg(Decimal(InSpeedUnit(figures.distanceMetres / 1000.0, unit), 2),
                  QString::fromStdString(FormatDuration(figures.drivingSeconds)),
                  Decimal(InSpeedUnit(figures.maxSpeedKmh, unit), 0),
                  Decimal(InSpeedUnit(figures.meanSpeedKmh, unit), 1)) +
         TripEventsPresenter::TripEventsLine(parts, m_library.Groups()[static_cast<std::size_t>(row)].first);
}
