#pragma once
// The commands on the card's recordings: SAVE, DEL and LOCK with their
// guards and reports, the KML button and its export menu, the group rows'
// trip figures, and the offer to repair recordings cut off by power loss
// after OPEN. Everything they ask or show goes through CommandPrompts, so
// they run without a window.
#include <QObject>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/CommandPrompts.h"
#include "playback/DialogPause.h"

class CPlaybackController;
class CopyFeedback;
class CTrkGroupListCtrl;
class QWidget;
class RecordingLibrary;
enum class ExportChoice;
struct TrackPart;

class FileCommands : public QObject {
 public:
  // What the commands need of the window beyond asking and showing; each may
  // be left empty where there is no window.
  struct Hooks {
    std::function<QString()> currentFile;            // the recording opened last
    std::function<QString()> openedFolder;           // the folder OPEN opened last
    std::function<void()> stopPlayback;              // the recording on screen is gone
    std::function<void(const QString&)> openFolder;  // the repaired copies, as OPEN would
    std::function<void()> makeClip;                  // the menu's clip entry
    // The group tip's line of event counts for a trip's parts.
    std::function<QString(const std::vector<TrackPart>&, int32_t)> tripEventsLine;
    // The user's ticks handed to the library; true when one is ticked
    // (without it: the groups the library holds as ticked).
    std::function<bool()> takeChecks;
    // The lists show the files again after DEL (`removed`) or LOCK.
    std::function<void(bool removed)> filesChanged;
    CopyFeedback* copyFeedback = nullptr;  // SAVE's overwrite question and progress
  };
  // `playback` may be null (no player to pause under the dialogs).
  FileCommands(RecordingLibrary& library, CPlaybackController* playback, CommandPrompts& prompts, Hooks hooks);

  void OnBnClickedSave();
  void OnBnClickedDel();
  void OnBnClickedLock();
  void OnBnClickedKml();
  // The KML button's right-click menu at `globalPos`; runs the chosen entry.
  void OnKmlMenu(const QPoint& globalPos);
  // Right-click menu of the KML button and the group rows' tooltips.
  void SetUpExportMenu(QWidget& kmlButton, CTrkGroupListCtrl& groupList);
  // One export of the menu, with its message box (Kml is the left click).
  void OnExport(ExportChoice choice);
  // The group list's tooltip of row `row`: the group's trip figures.
  QString GroupTripTip(int row);
  // After OPEN found recordings cut off by power loss: the offer to write
  // repaired copies to another folder, the repair and its report.
  void OfferCutRepair();

  // "No files in list.", with how many files the last scan could not read.
  QString EmptyListText() const;
  // The box of an empty library; true when it was shown.
  bool RefuseEmptyLibrary();

 private:
  bool RefuseNothingChecked();
  // One box after SAVE, DEL or LOCK: the summary, below the failures if any.
  void ReportFileOperation(uint32_t headingId, uint32_t captionId, const QString& summary);
  // The folder for the repaired copies, asked until it is one outside the
  // card (empty: cancelled).
  QString AskRepairFolder();
  // The report, with the offer to open the copies in the viewer or the file manager.
  void OfferRepairedFolder(const QString& report, const QString& destination);
  // A playing recording paused while the command asks.
  std::optional<DialogPause> PauseForDialog();

  RecordingLibrary& m_library;
  CPlaybackController* m_playback;
  CommandPrompts& m_prompts;
  Hooks m_hooks;
  // The last destination of SAVE in this run, where its next picker starts.
  QString m_lastSaveFolder;
};

// The destination is `root` or lies below it (the clip's folder too).
bool IsInside(const QString& folder, const QString& root);
// Why a file could not be copied, deleted, unlocked or written (an errno value).
QString FileErrorText(int error);
