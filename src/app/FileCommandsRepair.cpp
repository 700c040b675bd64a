// Recordings cut off by power loss, found by OPEN: with the user's consent,
// repaired copies are written to a folder outside the opened one, with the
// progress board as for SAVE, and a report of what was and was not repaired.
// The files of the card are only read.
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "app/FileCommands.h"
#include "library/RecordingLibrary.h"
#include "repair/CutRepair.h"
#include "app/SharedTextIds.h"

namespace {

constexpr uint32_t kCutQuestion = 250;
constexpr uint32_t kCutCaption = 251;
constexpr uint32_t kPickerTitle = 252;
constexpr uint32_t kRepairedHeading = 254;
constexpr uint32_t kNotRepairedHeading = 255;
constexpr uint32_t kNoReference = 256;
constexpr uint32_t kNothingPlayable = 257;
constexpr uint32_t kOutputExists = 258;
constexpr uint32_t kCannotRead = 259;
constexpr uint32_t kSecondsNoSound = 260;
constexpr uint32_t kSeconds = 261;
constexpr uint32_t kOpenFolder = 262;
constexpr uint32_t kOpenInViewer = 280;

QString Decoded(const std::string& path) { return QFile::decodeName(path.c_str()); }

QString FailureText(const RepairResult& r) {
  switch (r.failure) {
    case RepairFailure::NoReference:
      return LoadQText(kNoReference);
    case RepairFailure::NothingPlayable:
      return LoadQText(kNothingPlayable);
    case RepairFailure::OutputExists:
      return LoadQText(kOutputExists);
    case RepairFailure::CannotRead:
      return LoadQText(kCannotRead);
    case RepairFailure::SameFolder:
      return LoadQText(kOutsideCard);
    case RepairFailure::WriteFailed:
    case RepairFailure::None:
      break;
  }
  return FileErrorText(r.error);
}

}  // namespace

// The destination is the opened folder or lies below it (the clip's folder too).
bool IsInside(const QString& folder, const QString& root) {
  const QString a = QFileInfo(folder).canonicalFilePath();
  const QString b = QFileInfo(root).canonicalFilePath();
  return !a.isEmpty() && !b.isEmpty() && (a == b || a.startsWith(b + QLatin1Char('/')));
}

void FileCommands::OfferCutRepair() {
  const std::vector<CutRecording> cut = m_library.CutRecordings();
  const QString question = LoadQText(kCutQuestion).replace(QStringLiteral("%d"), QString::number(cut.size()));
  if (m_prompts.Ask(question, LoadQText(kCutCaption), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) !=
      QMessageBox::Ok)
    return;
  const QString destination = AskRepairFolder();
  if (destination.isEmpty()) return;

  // One file at a time on this thread, the board repainted after each, as
  // the copy of SAVE does.
  std::vector<RepairResult> results;
  m_prompts.ShowProgress(0, QStringLiteral("0 %"));
  const std::string folder = QFile::encodeName(destination).toStdString();
  for (const CutRecording& c : cut) {
    results.push_back(RepairCutRecording(c.path, folder));
    const int percent = static_cast<int>(100 * results.size() / cut.size());
    char text[16];
    std::snprintf(text, sizeof text, "%d %c", percent, '%');
    m_prompts.ShowProgress(percent, QString::fromLatin1(text));
  }
  m_prompts.HideProgress();

  QString report;
  bool anyRepaired = false;
  for (int pass = 0; pass < 2; ++pass) {
    const bool repaired = pass == 0;
    QString lines;
    for (std::size_t i = 0; i < results.size(); ++i) {
      const RepairResult& r = results[i];
      if (r.Repaired() != repaired) continue;
      if (repaired) {
        const uint32_t id = r.hadAudio && !r.audioKept ? kSecondsNoSound : kSeconds;
        lines += QLatin1Char('\n') + Decoded(r.output) + QStringLiteral("\n    ") +
                 LoadQText(id).replace(QStringLiteral("%d"), QString::number(static_cast<int>(r.seconds)));
      } else {
        lines += QLatin1Char('\n') + Decoded(cut[i].path) + QStringLiteral("\n    ") + FailureText(r);
      }
    }
    if (lines.isEmpty()) continue;
    anyRepaired = anyRepaired || repaired;
    if (!report.isEmpty()) report += QStringLiteral("\n\n");
    report += LoadQText(repaired ? kRepairedHeading : kNotRepairedHeading) + lines;
  }
  if (!anyRepaired) {
    m_prompts.Ask(report, LoadQText(kCutCaption), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  report += QStringLiteral("\n\n") + LoadQText(kOpenFolder);
  OfferRepairedFolder(report, destination);
}

QString FileCommands::AskRepairFolder() {
  // A folder that will not do is warned of, and the picker comes back until
  // one will or the user cancels.
  const QString card = m_hooks.openedFolder ? m_hooks.openedFolder() : QString();
  QString start;
  for (;;) {
    const std::optional<QString> chosen = m_prompts.AskFolder(LoadQText(kPickerTitle), start);
    if (!chosen || m_prompts.WindowClosed()) return QString();
    const QString& destination = *chosen;
    const bool missing = destination.isEmpty() || !QFileInfo(destination).isDir();
    if (!missing && !IsInside(destination, card)) return destination;
    m_prompts.Ask(missing ? kFolderMissing : kOutsideCard, kWarningCaption, QMessageBox::Ok, QMessageBox::Warning);
    if (m_prompts.WindowClosed()) return QString();
    start = missing ? QString() : destination;
  }
}

void FileCommands::OfferRepairedFolder(const QString& report, const QString& destination) {
  const QMessageBox::StandardButton chosen = m_prompts.Choose(report, LoadQText(kCutCaption), QMessageBox::Information,
                                                              {{QMessageBox::Open, LoadQText(kOpenInViewer)},
                                                               {QMessageBox::Ok, LoadQText(kShowInFileManager)},
                                                               {QMessageBox::Cancel, LoadQText(kCancel)}});
  if (m_prompts.WindowClosed()) return;
  if (chosen == QMessageBox::Open) {
    if (m_hooks.openFolder) m_hooks.openFolder(destination);
  } else if (chosen == QMessageBox::Ok && !m_prompts.ShowInFileManager(destination)) {
    m_prompts.Ask(LoadQText(kNoFileManager).replace(QStringLiteral("%s"), destination), LoadQText(kWarningCaption),
                  QMessageBox::Ok, QMessageBox::Warning);
  }
}
