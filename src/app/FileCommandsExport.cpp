// The KML button's right-click menu (KML, GPX of the recording or of the
// whole trip, CSV, and the clip) and the trip figures shown as the group rows' tooltips.
#include <QFile>
#include <QKeySequence>
#include <QWidget>

#include "app/FileCommands.h"
#include "controls/CTrkGroupListCtrl.h"
#include "export/TrackExport.h"
#include "library/RecordingLibrary.h"
#include "settings/CSettings.h"

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

// The clip command, beside the exports (ClipCommand.cpp).
constexpr uint32_t kClipMenuText = 360;
// 241 in miles.
constexpr uint32_t kTripFiguresMilesText = 326;

QString Decimal(double value, int decimals) {
  std::string text;
  AppendDecimal(text, value, decimals);
  return QString::fromStdString(text);
}

}  // namespace

void FileCommands::SetUpExportMenu(QWidget& kmlButton, CTrkGroupListCtrl& groupList) {
  kmlButton.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&kmlButton, &QWidget::customContextMenuRequested, this,
          [this, &kmlButton](const QPoint& pos) { OnKmlMenu(kmlButton.mapToGlobal(pos)); });
  groupList.SetRowTipSource([this](int row) { return GroupTripTip(row); });
}

void FileCommands::OnBnClickedKml() { OnExport(ExportChoice::Kml); }

void FileCommands::OnKmlMenu(const QPoint& globalPos) {
  // Texts are loaded each time: the language may have changed since.
  std::vector<CommandPrompts::MenuEntry> entries;
  for (const MenuEntry& entry : kMenu) entries.push_back({LoadQText(static_cast<uint32_t>(entry.textId)), {}, false});
  // Its shortcut is shown beside it; the window's key does it.
  entries.push_back({LoadQText(kClipMenuText), QKeySequence(Qt::CTRL | Qt::Key_E), true});
  const int chosen = m_prompts.ChooseFromMenu(globalPos, entries);
  if (chosen == static_cast<int>(std::size(kMenu))) {
    if (m_hooks.makeClip) m_hooks.makeClip();
  } else if (chosen >= 0 && chosen < static_cast<int>(std::size(kMenu))) {
    OnExport(kMenu[chosen].choice);
  }
}

void FileCommands::OnExport(ExportChoice choice) {
  // Paused under its message, as the other commands that ask or tell.
  const std::optional<DialogPause> pause = PauseForDialog();
  const ExportCommandResult result = RunExportCommand(m_library, choice);
  QString text = LoadQText(static_cast<uint32_t>(result.textId));
  text.replace(QStringLiteral("%s"), QFile::decodeName(result.path.c_str()));
  m_prompts.Ask(text, LoadQText(static_cast<uint32_t>(result.captionId)), QMessageBox::Ok, QMessageBox::NoIcon);
}

QString FileCommands::GroupTripTip(int row) {
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
         (m_hooks.tripEventsLine
              ? m_hooks.tripEventsLine(parts, m_library.Groups()[static_cast<std::size_t>(row)].first)
              : QString());
}
