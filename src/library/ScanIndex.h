#pragma once
// The scan index: what the listing learnt of each recording file (summary,
// cut state, the GPS records for the trip figures), kept in an SQLite file
// under $XDG_CACHE_HOME/trk-viewer/ (else ~/.cache/trk-viewer/) so that a
// card opened again is listed without reading its recordings.
//
// A row holds only what the listing would read again from the file, keyed
// by the volume (the file system's UUID where one is known), the path, and
// the file's size, modification and change times and inode: a file whose
// stamp differs is read again, and so is one listed under another time zone
// (its start time is the camera's local clock reckoned in the zone). The index is a cache and never stops a scan:
// one that is missing, unreadable or corrupt is made anew, one that another
// viewer holds locked beyond the busy timeout is done without for that scan.
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "library/RecordingListing.h"

struct sqlite3;
struct sqlite3_stmt;

// What identifies one state of a file's content.
struct FileStamp {
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;
  uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const struct stat& st);

class ScanIndex {
 public:
  ~ScanIndex();
  ScanIndex(const ScanIndex&) = delete;
  ScanIndex& operator=(const ScanIndex&) = delete;

  // The index file's place: $XDG_CACHE_HOME/trk-viewer/scan-index.sqlite,
  // else ~/.cache/trk-viewer/scan-index.sqlite; empty when neither is known.
  static std::string DefaultPath();
  // Opens the index at `file` (made anew when it is not a usable index) for
  // a scan of the folder `root`. Null when no index can be had.
  static std::unique_ptr<ScanIndex> Open(const std::string& file, const std::string& root);

  // The row of `path` when its stamp matches (and, with needGps, it holds the
  // GPS records); false otherwise.
  bool Find(const std::string& path, const FileStamp& stamp, bool needGps, RecordingListing& listing);
  void Store(const std::string& path, const FileStamp& stamp, const RecordingListing& listing);
  // The moments a detection stored for `path` when its row is of that stamp.
  bool FindEvents(const std::string& path, const FileStamp& stamp, std::vector<uint8_t>& events);
  // Keeps `events` in the row of `path` when the row is of that stamp: a file
  // the listing did not store, or changed since, keeps none.
  void StoreEvents(const std::string& path, const FileStamp& stamp, const std::vector<uint8_t>& events);
  // Ends the scan: the rows of files below the root that the scan did not
  // meet (`seen` holds the paths of those it met) are dropped.
  void Finish(const std::unordered_set<std::string>& seen);

 private:
  ScanIndex() = default;
  bool Prepare();
  bool Exec(const char* sql);
  void Fail();  // an error mid-scan: the rest of the scan goes without the index
  // Steps `statement` to its row; false when there is none, and on an error
  // (the statement reset first, then Fail()).
  using StatementReset = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;
  bool StepToRow(sqlite3_stmt* statement, StatementReset& resetter);
  bool BeginBatch();
  void CommitBatch();
  void BindKey(sqlite3_stmt* statement, const std::string& path, const FileStamp& stamp);
  // Steps a write of the open batch, which is committed once it holds enough rows.
  void StepWrite(sqlite3_stmt* statement);

  sqlite3* m_db = nullptr;
  struct Statements;
  std::unique_ptr<Statements> m_statements;
  std::string m_volume;
  std::string m_root;
  std::string m_zone;
  bool m_inTransaction = false;
  int m_pendingWrites = 0;
};
