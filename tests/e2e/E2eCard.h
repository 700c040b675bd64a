#pragma once
// The card the command tests open: two drives (groups) of short recordings
// in subfolders, one of them a write-protected event recording.
//
//   2024/04/REC0001.AVI   08:30:00        group 0
//   2024/04/REC0002.AVI   08:30:00 + 1 L  group 0
//   2024/05/REC0003.MOV   08:30:00 + 2 L  group 0
//   EVENT/EVGS0004.AVI    09:00:00        group 1, read-only (event)
//   EVENT/REC0005.AVI     09:00:00 + 1 L  group 1
// (L: the length of every recording, whole seconds.)
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <string>
#include <vector>

#include "Synth.h"

namespace e2e {

constexpr uint32_t kRecordingMs = 3000;

struct CardEntry {
  QString relative;  // below the card folder
  QString path;      // absolute
};

struct TestCard {
  QString root;
  std::vector<CardEntry> recordings;  // in start-time order (library order)
  const QString& Path(int i) const { return recordings[static_cast<std::size_t>(i)].path; }
};

inline TestCard WriteTestCard(const QString& root, uint32_t recordingMs = kRecordingMs) {
  struct Plan {
    const char* relative;
    int hour, minute, index;  // index: place in its drive
    bool readOnly;
  };
  const Plan plans[] = {
      {"2024/04/REC0001.AVI", 8, 30, 0, false}, {"2024/04/REC0002.AVI", 8, 30, 1, false},
      {"2024/05/REC0003.MOV", 8, 30, 2, false}, {"EVENT/EVGS0004.AVI", 9, 0, 0, true},
      {"EVENT/REC0005.AVI", 9, 0, 1, false},
  };
  TestCard card;
  card.root = root;
  double drive = 0;
  for (const Plan& plan : plans) {
    const QString path = root + "/" + plan.relative;
    QDir().mkpath(QFileInfo(path).path());
    SynthOptions o;
    o.width = 320;
    o.height = 240;
    o.fps = 15;
    o.durationMs = recordingMs;
    o.hour = plan.hour;
    o.minute = plan.minute + plan.index * static_cast<int>(recordingMs / 1000) / 60;
    o.second = plan.index * static_cast<int>(recordingMs / 1000) % 60;
    o.gpsRate = 5;
    o.noFixRecords = 0;
    o.driveSeconds = drive;
    drive += recordingMs / 1000.0;
    WriteSynthRecording(QFile::encodeName(path).toStdString(), o);
    if (plan.readOnly) ::chmod(QFile::encodeName(path).constData(), 0444);
    card.recordings.push_back({QString::fromLatin1(plan.relative), path});
  }
  return card;
}

// One trip of three 30 s recordings that follow each other in `folder`
// (FILE0.AVI ..); `adjust` changes recording i's options before it is written.
template <class Adjust>
inline QString WriteTrip(const QString& folder, Adjust adjust) {
  QDir().mkpath(folder);
  for (int i = 0; i < 3; ++i) {
    SynthOptions o;
    o.width = 320;
    o.height = 240;
    o.fps = 10;
    o.durationMs = 30000;
    o.minute = 30 + i * 30 / 60;
    o.second = i * 30 % 60;
    o.driveSeconds = i * 30;
    o.noFixRecords = 0;
    adjust(i, o);
    WriteSynthRecording(QFile::encodeName(folder + QStringLiteral("/FILE%1.AVI").arg(i)).toStdString(), o);
  }
  return folder;
}

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool IsWritable(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

}  // namespace e2e
