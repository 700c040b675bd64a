// Opening what the command line or the file manager hands the viewer: a
// folder (as OPEN opens a picked one), one recording (its folder is opened and
// that recording is the one that starts), or a file:// URI of either. What
// cannot be opened is named in a message and changes nothing. Paths stay
// bytes all the way: a folder whose name is not UTF-8 opens as well.
#include <stdlib.h>

#include <QDir>
#include <QFile>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>

#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "container/RecordingFile.h"
#include "app/StartPath.h"
#include "app/TrkMessageBox.h"
#include "app/SharedTextIds.h"

namespace {

// Text ids of the reasons (caption 131, "Warning").
enum OpenPathRefusal : uint32_t {
  kRefusedMissing = 290,       // no such file or folder
  kRefusedNotRecording = 291,  // not named as the camera names its recordings
  kRefusedUnreadable = 292,    // named so, but not readable as one
};

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

// The path with every link and "..", or empty when it does not resolve.
std::string CanonicalPath(const std::string& path) {
  const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
  return resolved ? std::string(resolved.get()) : std::string();
}

// 0 when `path` (absolute) is a recording the library takes, else the
// refusal's text id.
uint32_t CheckRecording(const std::filesystem::path& path) {
  std::error_code error;
  // Only regular files are read: a FIFO would block the reader.
  if (!std::filesystem::is_regular_file(path, error)) return kRefusedNotRecording;
  const std::string name = path.filename().native();
  const std::string folder = path.parent_path().native() + "/";
  bool event = false;
  bool locked = false;
  const bool avi = RecordingLibrary::IsAviRecording(name, folder, event, locked);
  const bool mov = !avi && RecordingLibrary::IsMovRecording(name, folder, event, locked);
  if (!avi && !mov) return kRefusedNotRecording;
  RecordingSummary summary;
  RecordingFile file(&summary);
  const int parsed = avi ? file.ParseAvi(path.native()) : file.ParseMov(path.native());
  return parsed == 0 ? 0u : static_cast<uint32_t>(kRefusedUnreadable);
}

}  // namespace

void FolderOpening::OpenPath(const QString& pathOrUri) { OpenPath(QFile::encodeName(pathOrUri).toStdString()); }

void FolderOpening::OpenPath(const std::string& pathOrUri) {
  if (pathOrUri.empty() || IsScanning()) return;
  std::string local;
  std::filesystem::path absolute;
  std::error_code error;
  if (LocalPathOfArgument(pathOrUri, local) && !local.empty()) absolute = std::filesystem::absolute(local, error);
  uint32_t refusal = 0;
  if (absolute.empty() || !std::filesystem::exists(absolute, error)) {
    refusal = kRefusedMissing;
  } else if (std::filesystem::is_directory(absolute, error)) {
    m_startRecording.clear();
    std::string folder = absolute.native();
    // "/card/" and "/card" name the same folder; the settings keep the latter.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    OpenFolderWhenReady(folder);
    return;
  } else {
    refusal = CheckRecording(absolute);
  }
  if (refusal == 0) {
    m_startRecording = CanonicalPath(absolute.native());
    OpenFolderWhenReady(absolute.parent_path().native());
    return;
  }
  // After the caller has returned (a drop, the start-up) and the window shows.
  const QString shown = absolute.empty() ? QFile::decodeName(pathOrUri.c_str())
                                         : QDir::toNativeSeparators(QFile::decodeName(absolute.c_str()));
  QTimer::singleShot(0, this, [this, refusal, shown] {
    const QString text = LoadQText(refusal).replace(QStringLiteral("%s"), shown);
    TrkMessageBox(&m_window, text, LoadQText(kWarningCaption), QMessageBox::Ok, QMessageBox::Warning);
  });
}

int32_t FolderOpening::FindRecordingIndex(const std::string& canonicalPath) const {
  for (std::size_t i = 0; i < m_library.Recordings().size(); ++i) {
    const std::string path = m_library.GetRecordingPath(static_cast<int32_t>(i));
    if (CanonicalPath(path) == canonicalPath) return static_cast<int32_t>(i);
  }
  return -1;
}
