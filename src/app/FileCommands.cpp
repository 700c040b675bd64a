// SAVE, DEL and LOCK on the ticked groups, with their guards and messages.
#include "app/FileCommands.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "dialogs/CFolderDialog.h"
#include "library/RecordingLibrary.h"
#include "app/SharedTextIds.h"

namespace {

// Text ids of the file commands' failure report.
constexpr uint32_t kCopyFailedText = 201;
constexpr uint32_t kDeleteFailedText = 202;
constexpr uint32_t kUnlockFailedText = 203;
// What the file commands are about to do and what they did, with their captions.
constexpr uint32_t kUnreadableSkippedText = 320;
constexpr uint32_t kDeleteScopeText = 321;
constexpr uint32_t kUnlockQuestionText = 322;
constexpr uint32_t kCopiedSummaryText = 323;
constexpr uint32_t kDeletedSummaryText = 324;
constexpr uint32_t kUnlockedSummaryText = 325;
constexpr uint32_t kSaveCaption = 181;
constexpr uint32_t kDeleteCaption = 128;
constexpr uint32_t kUnlockCaption = 194;
constexpr uint32_t kNothingChecked = 135;
constexpr uint32_t kNothingCheckedCaption = 144;
// A long list of failures names this many files, then how many more.
constexpr std::size_t kFailuresShown = 10;

}  // namespace

QString FileErrorText(int error) {
  switch (error) {
    case EROFS:
      return LoadQText(204);
    case EACCES:
    case EPERM:
      return LoadQText(205);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return LoadQText(206);
    case ENOENT:
    case ENOTDIR:
      return LoadQText(207);
    case EIO:
      return LoadQText(208);
    default:
      return LoadQText(209).replace(QStringLiteral("%d"), QString::number(error));
  }
}

FileCommands::FileCommands(RecordingLibrary& library, CPlaybackController* playback, CommandPrompts& prompts,
                           Hooks hooks)
    : m_library(library), m_playback(playback), m_prompts(prompts), m_hooks(std::move(hooks)) {}

std::optional<DialogPause> FileCommands::PauseForDialog() {
  if (m_playback == nullptr) return std::nullopt;
  return std::optional<DialogPause>(std::in_place, *m_playback);
}

QString FileCommands::EmptyListText() const {
  QString text = LoadQText(136);
  const int32_t skipped = m_library.UnreadableCount();
  if (skipped > 0) text += QLatin1Char('\n') + LoadQText(kUnreadableSkippedText).arg(skipped);
  return text;
}

bool FileCommands::RefuseEmptyLibrary() {
  if (!m_library.Recordings().empty()) return false;
  m_prompts.Ask(EmptyListText(), LoadQText(145), QMessageBox::Ok, QMessageBox::NoIcon);
  return true;
}

bool FileCommands::RefuseNothingChecked() {
  if (m_hooks.takeChecks ? m_hooks.takeChecks() : m_library.MarkCheckedGroups()) return false;
  m_prompts.Ask(kNothingChecked, kNothingCheckedCaption);
  return true;
}

void FileCommands::ReportFileOperation(uint32_t headingId, uint32_t captionId, const QString& summary) {
  const std::vector<FileOperationFailure>& failures = m_library.LastFailures();
  if (failures.empty()) {
    m_prompts.Ask(summary, LoadQText(captionId), QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  QString text = LoadQText(headingId);
  text += QLatin1Char('\n');
  for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i) {
    text += QLatin1Char('\n') + QFile::decodeName(failures[i].path.c_str());
    text += QStringLiteral("\n    ") + FileErrorText(failures[i].error);
  }
  if (failures.size() > kFailuresShown) {
    text += QLatin1Char('\n') +
            LoadQText(210).replace(QStringLiteral("%d"), QString::number(failures.size() - kFailuresShown));
  }
  text += QStringLiteral("\n\n") + summary;
  m_prompts.Ask(text, LoadQText(kWarningCaption), QMessageBox::Ok, QMessageBox::Warning);
}

void FileCommands::OnBnClickedSave() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  // Copying reads the recordings beside the player: it only pauses.
  const std::optional<DialogPause> pause = PauseForDialog();
  const std::optional<QString> chosen =
      m_prompts.AskFolder(LoadQText(130), CFolderDialog::StartFolder(m_lastSaveFolder));
  if (!chosen) return;
  const QString& destination = *chosen;
  m_lastSaveFolder = destination;  // for this run only: the settings keep OPEN's folder
  if (!destination.isEmpty() && QFileInfo(destination).isDir()) {
    if (!m_library.CopyChecked(QFile::encodeName(destination).toStdString(), m_hooks.copyFeedback)) {
      m_prompts.Ask(kNothingChecked, kNothingCheckedCaption);
    } else {
      const FileOperationCounts& counts = m_library.LastCounts();
      ReportFileOperation(kCopyFailedText, kSaveCaption,
                          LoadQText(kCopiedSummaryText).arg(counts.copied).arg(counts.skipped));
    }
  } else {
    m_prompts.Ask(kFolderMissing, kWarningCaption, QMessageBox::Ok, QMessageBox::Warning);
  }
}

void FileCommands::OnBnClickedDel() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  std::optional<DialogPause> pause = PauseForDialog();
  const CheckedContent content = m_library.DescribeChecked();
  const QString question = LoadQText(129) + QStringLiteral("\n\n") +
                           LoadQText(kDeleteScopeText)
                               .arg(content.unprotected)
                               .arg(static_cast<qulonglong>(content.unprotectedBytes >> 20))
                               .arg(content.protectedCount);
  if (m_prompts.Ask(question, LoadQText(kDeleteCaption), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon) !=
      QMessageBox::Ok)
    return;
  const bool done = m_library.DeleteChecked();
  if (m_library.LastCounts().deleted > 0 && m_hooks.filesChanged) m_hooks.filesChanged(true);
  // The recording on screen went with the others: nothing is left to show.
  const QString current = m_hooks.currentFile ? m_hooks.currentFile() : QString();
  if (!current.isEmpty() && !QFileInfo::exists(current)) {
    if (pause) pause->Release();
    if (m_hooks.stopPlayback) m_hooks.stopPlayback();
  }
  if (!done) {
    m_prompts.Ask(kNothingChecked, kNothingCheckedCaption);
  } else {
    const FileOperationCounts& counts = m_library.LastCounts();
    ReportFileOperation(kDeleteFailedText, kDeleteCaption,
                        LoadQText(kDeletedSummaryText).arg(counts.deleted).arg(counts.keptProtected));
  }
}

void FileCommands::OnBnClickedLock() {
  if (RefuseEmptyLibrary() || RefuseNothingChecked()) return;
  // Unprotected, a recording can be deleted: asked first. Playback goes on:
  // only the files' protection changes.
  const int32_t protectedCount = m_library.DescribeChecked().protectedCount;
  if (protectedCount > 0 &&
      m_prompts.Ask(LoadQText(kUnlockQuestionText).arg(protectedCount), LoadQText(kUnlockCaption),
                    QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) != QMessageBox::Ok)
    return;
  if (!m_library.UnlockChecked()) {
    m_prompts.Ask(kNothingChecked, kNothingCheckedCaption);
  } else {
    if (m_hooks.filesChanged) m_hooks.filesChanged(false);
    ReportFileOperation(kUnlockFailedText, kUnlockCaption,
                        LoadQText(kUnlockedSummaryText).arg(m_library.LastCounts().unlocked));
  }
}
