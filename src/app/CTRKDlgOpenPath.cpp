// Opening what the command line or the file manager hands the viewer: a
// folder (as OPEN opens a picked one), one recording (its folder is opened and
// that recording is the one that starts), or a file:// URI of either. What
// cannot be opened is named in a message and changes nothing.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <string>

#include "CTRKDlg.h"
#include "RecordingFile.h"
#include "TrkMessageBox.h"

namespace {

// Text ids of the reasons (caption 131, "Warning").
enum OpenPathRefusal : uint32_t {
  kRefusedMissing = 290,       // no such file or folder
  kRefusedNotRecording = 291,  // not named as the camera names its recordings
  kRefusedUnreadable = 292,    // named so, but not readable as one
};
constexpr uint32_t kWarningCaption = 131;

// A local path from a path or a file:// URI; empty for any other URI.
QString LocalPathOf(const QString& pathOrUri) {
  if (pathOrUri.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
    const QUrl url(pathOrUri);
    return url.isLocalFile() ? url.toLocalFile() : QString();
  }
  if (pathOrUri.contains(QStringLiteral("://"))) return QString();
  return pathOrUri;
}

// 0 when `path` is a recording the library takes, else the refusal's text id.
uint32_t CheckRecording(const QString& path) {
  const std::string native = QFile::encodeName(path).toStdString();
  std::error_code error;
  // Only regular files are read: a FIFO would block the reader.
  if (!std::filesystem::is_regular_file(native, error)) return kRefusedNotRecording;
  const std::string name = QFile::encodeName(QFileInfo(path).fileName()).toStdString();
  const std::string folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString() + "/";
  bool event = false;
  bool locked = false;
  const bool avi = RecordingLibrary::IsAviRecording(name, folder, event, locked);
  const bool mov = !avi && RecordingLibrary::IsMovRecording(name, folder, event, locked);
  if (!avi && !mov) return kRefusedNotRecording;
  RecordingSummary summary;
  RecordingFile file(&summary);
  const int parsed = avi ? file.ParseAvi(native) : file.ParseMov(native);
  return parsed == 0 ? 0u : static_cast<uint32_t>(kRefusedUnreadable);
}

}  // namespace

void CTRKDlg::OpenPath(const QString& pathOrUri) {
  if (pathOrUri.isEmpty() || IsScanning()) return;
  const QString local = LocalPathOf(pathOrUri);
  const QFileInfo info(local);
  uint32_t refusal = 0;
  if (local.isEmpty() || !info.exists()) {
    refusal = kRefusedMissing;
  } else if (info.isDir()) {
    m_startRecording.clear();
    OpenFolderWhenReady(info.absoluteFilePath());
    return;
  } else {
    refusal = CheckRecording(info.absoluteFilePath());
  }
  if (refusal == 0) {
    m_startRecording = info.canonicalFilePath();
    OpenFolderWhenReady(info.absolutePath());
    return;
  }
  // After the caller has returned (a drop, the start-up) and the window shows.
  const QString shown = local.isEmpty() ? pathOrUri : QDir::toNativeSeparators(info.absoluteFilePath());
  QTimer::singleShot(0, this, [this, refusal, shown] {
    const QString text = LoadQText(refusal).replace(QStringLiteral("%s"), shown);
    TrkMessageBox(this, text, LoadQText(kWarningCaption), QMessageBox::Ok, QMessageBox::Warning);
  });
}

int32_t CTRKDlg::FindRecordingIndex(const QString& canonicalPath) const {
  for (std::size_t i = 0; i < m_library.Recordings().size(); ++i) {
    const std::string path = m_library.GetRecordingPath(static_cast<int32_t>(i));
    if (QFileInfo(QFile::decodeName(path.c_str())).canonicalFilePath() == canonicalPath) return static_cast<int32_t>(i);
  }
  return -1;
}
