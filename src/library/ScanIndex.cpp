#include "library/ScanIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "fileio/UniqueFd.h"

namespace {

// 2: rows carry the time zone their start times were reckoned in.
constexpr int kSchemaVersion = 2;
// Another viewer writing its scan holds the index this long at most.
constexpr int kBusyTimeoutMs = 3000;
// Rows written per transaction: a crash loses at most this many, and another
// viewer waits for one batch, not for a whole scan.
constexpr int kRowsPerTransaction = 256;

struct StatementDeleter {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// `events` is left for the moments a detection finds in a recording; it
// belongs to the row, so a changed file drops it with the rest.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS recordings("
    " volume TEXT NOT NULL, path TEXT NOT NULL,"
    " size INTEGER NOT NULL, modified_ns INTEGER NOT NULL, changed_ns INTEGER NOT NULL, inode INTEGER NOT NULL,"
    " listed INTEGER NOT NULL, cut_reason TEXT NOT NULL,"
    " gps_offset INTEGER, gps_size INTEGER, gsensor_offset INTEGER, gsensor_size INTEGER,"
    " width INTEGER, height INTEGER, start_time INTEGER, duration_seconds INTEGER, duration_ms INTEGER,"
    " file_size INTEGER, gpsa INTEGER, gsea INTEGER,"
    " gps BLOB,"            // the GPS block's records, 32 bytes each; NULL when they were not kept
    " events BLOB,"         // moments detected in the recording; NULL until a detection stores them
    " zone TEXT NOT NULL,"  // the local time zone start_time was reckoned in
    " PRIMARY KEY(volume, path)) WITHOUT ROWID";

constexpr const char* kFind =
    "SELECT size, modified_ns, changed_ns, inode, listed, cut_reason, gps_offset, gps_size, gsensor_offset,"
    " gsensor_size, width, height, start_time, duration_seconds, duration_ms, file_size, gpsa, gsea, gps, zone"
    " FROM recordings WHERE volume = ?1 AND path = ?2";
constexpr const char* kStore =
    "INSERT OR REPLACE INTO recordings(volume, path, size, modified_ns, changed_ns, inode, listed, cut_reason,"
    " gps_offset, gps_size, gsensor_offset, gsensor_size, width, height, start_time, duration_seconds,"
    " duration_ms, file_size, gpsa, gsea, gps, zone)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22)";
constexpr const char* kBelowRoot = "SELECT path FROM recordings WHERE volume = ?1 AND substr(path, 1, length(?2)) = ?2";
// The events belong to one state of the file: both ask the row's whole stamp.
constexpr const char* kFindEvents =
    "SELECT events FROM recordings WHERE volume = ?1 AND path = ?2 AND size = ?3 AND modified_ns = ?4"
    " AND changed_ns = ?5 AND inode = ?6 AND events IS NOT NULL";
constexpr const char* kStoreEvents =
    "UPDATE recordings SET events = ?7 WHERE volume = ?1 AND path = ?2 AND size = ?3 AND modified_ns = ?4"
    " AND changed_ns = ?5 AND inode = ?6";
constexpr const char* kDrop = "DELETE FROM recordings WHERE volume = ?1 AND path = ?2";

// The UUID of the file system that holds `root`, as udev names it, so that a
// card keeps its rows whichever reader or mount point it comes through.
std::string VolumeOf(const std::string& root) {
  struct stat rootStat {};
  if (::stat(root.c_str(), &rootStat) != 0) return {};
  const std::string folder = "/dev/disk/by-uuid/";
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    struct stat device {};
    if (::stat((folder + entry->d_name).c_str(), &device) == 0 && S_ISBLK(device.st_mode) &&
        device.st_rdev == rootStat.st_dev)
      return std::string("uuid:") + entry->d_name;
  }
  return {};
}

// What decides the local time zone's rules, as the C library reads them: the
// TZ variable and the content of the zone file it names (or /etc/localtime),
// so that a start time reckoned under other rules, or under a tzdata update,
// is not taken from the index.
std::string LocalZoneKey() {
  const char* tz = std::getenv("TZ");
  std::string file = "/etc/localtime";
  if (tz != nullptr) {
    const std::string name = tz[0] == ':' ? tz + 1 : tz;
    const char* zoneDir = std::getenv("TZDIR");
    file = name.empty() || name[0] == '/' ? name : std::string(zoneDir ? zoneDir : "/usr/share/zoneinfo") + "/" + name;
  }
  std::string key = tz ? std::string("TZ=") + tz : std::string("TZ unset");
  // FNV-1a over the file: tzdata files are a few kilobytes, so this costs one
  // read per scan; a POSIX rule in TZ names no file and is itself the key.
  constexpr std::size_t kMostZoneBytes = 1 << 20;
  UniqueFd fd(file.empty() ? -1 : ::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return key;
  uint64_t hash = 0xcbf29ce484222325ull;
  std::vector<uint8_t> buffer(64 * 1024);
  std::size_t total = 0;
  ssize_t got;
  while (total < kMostZoneBytes && (got = ::read(fd.Get(), buffer.data(), buffer.size())) > 0) {
    for (ssize_t i = 0; i < got; ++i) hash = (hash ^ buffer[static_cast<std::size_t>(i)]) * 0x100000001b3ull;
    total += static_cast<std::size_t>(got);
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return key + " " + hex;
}

int64_t Signed(uint64_t value) { return static_cast<int64_t>(value); }

void RemoveIndexFiles(const std::string& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((file + suffix).c_str());
}

}  // namespace

struct ScanIndex::Statements {
  Statement find, store, belowRoot, drop, findEvents, storeEvents;
};

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  return stamp;
}

ScanIndex::~ScanIndex() {
  CommitBatch();
  m_statements.reset();
  if (m_db) sqlite3_close(m_db);
}

std::string ScanIndex::DefaultPath() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  std::string folder;
  if (cache && cache[0] == '/') {
    folder = cache;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    folder = std::string(home) + "/.cache";
  }
  return folder + "/trk-viewer/scan-index.sqlite";
}

std::unique_ptr<ScanIndex> ScanIndex::Open(const std::string& file, const std::string& root) {
  if (file.empty()) return nullptr;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
  const std::string volume = VolumeOf(root);
  const std::string zone = LocalZoneKey();
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::unique_ptr<ScanIndex> index(new ScanIndex());
    index->m_volume = volume;
    index->m_root = root;
    index->m_zone = zone;
    const int opened = sqlite3_open_v2(file.c_str(), &index->m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (opened == SQLITE_OK) {
      sqlite3_busy_timeout(index->m_db, kBusyTimeoutMs);
      if (index->Prepare()) return index;
    }
    const int error = index->m_db ? sqlite3_errcode(index->m_db) : opened;
    if (error == SQLITE_BUSY || error == SQLITE_LOCKED) return nullptr;  // another viewer has it: do without
    index.reset();
    // Unreadable, not an index, or of another layout: made anew.
    RemoveIndexFiles(file);
  }
  return nullptr;
}

bool ScanIndex::Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool ScanIndex::Prepare() {
  // WAL: a viewer reading the index never blocks one writing it, and a
  // write cut off by a crash is rolled back at the next open.
  if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL")) return false;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &raw, nullptr) != SQLITE_OK) return false;
  Statement version(raw);
  if (sqlite3_step(version.get()) != SQLITE_ROW) return false;
  const int found = sqlite3_column_int(version.get(), 0);
  version.reset();
  if (found != 0 && found != kSchemaVersion) return false;
  // A new file gets its table; one of this layout is only read here, so that
  // opening it for a trip's events writes (and syncs) nothing.
  if (found == 0 && (!Exec(kSchema) || !Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str())))
    return false;
  m_statements = std::make_unique<Statements>();
  const std::pair<Statement*, const char*> all[] = {{&m_statements->find, kFind},
                                                    {&m_statements->store, kStore},
                                                    {&m_statements->belowRoot, kBelowRoot},
                                                    {&m_statements->drop, kDrop},
                                                    {&m_statements->findEvents, kFindEvents},
                                                    {&m_statements->storeEvents, kStoreEvents}};
  for (const auto& [statement, sql] : all) {
    raw = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK) return false;
    statement->reset(raw);
  }
  return true;
}

void ScanIndex::Fail() {
  const int error = sqlite3_extended_errcode(m_db) & 0xff;
  const char* file = sqlite3_db_filename(m_db, "main");
  const std::string path = file ? file : "";
  m_statements.reset();
  sqlite3_close(m_db);
  m_db = nullptr;
  m_inTransaction = false;
  // A file found corrupt mid-scan is made anew by the next scan.
  if ((error == SQLITE_CORRUPT || error == SQLITE_NOTADB) && !path.empty()) RemoveIndexFiles(path);
}

void ScanIndex::CommitBatch() {
  if (!m_db || !m_inTransaction) return;
  m_inTransaction = false;
  m_pendingWrites = 0;
  if (!Exec("COMMIT")) Fail();
}

bool ScanIndex::StepToRow(sqlite3_stmt* statement, StatementReset& resetter) {
  const int stepped = sqlite3_step(statement);
  if (stepped == SQLITE_ROW) return true;
  if (stepped != SQLITE_DONE) {
    resetter.reset();
    Fail();
  }
  return false;
}

bool ScanIndex::Find(const std::string& path, const FileStamp& stamp, bool needGps, RecordingListing& listing) {
  if (!m_db) return false;
  sqlite3_stmt* s = m_statements->find.get();
  // Reset on every way out, so that no read snapshot stays open between rows.
  StatementReset resetter(s, &sqlite3_reset);
  sqlite3_bind_text(s, 1, m_volume.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(s, 2, path.c_str(), -1, SQLITE_STATIC);
  if (!StepToRow(s, resetter)) return false;
  auto u64 = [s](int column) { return static_cast<uint64_t>(sqlite3_column_int64(s, column)); };
  auto u32 = [s](int column) { return static_cast<uint32_t>(sqlite3_column_int64(s, column)); };
  if (u64(0) != stamp.size || sqlite3_column_int64(s, 1) != stamp.modifiedNs ||
      sqlite3_column_int64(s, 2) != stamp.changedNs || u64(3) != stamp.inode)
    return false;
  const unsigned char* zone = sqlite3_column_text(s, 19);
  if (zone == nullptr || m_zone != reinterpret_cast<const char*>(zone)) return false;
  RecordingListing found;
  found.size = stamp.size;
  found.listed = sqlite3_column_int(s, 4) != 0;
  if (const unsigned char* reason = sqlite3_column_text(s, 5)) found.cutReason = reinterpret_cast<const char*>(reason);
  RecordingSummary& summary = found.summary;
  summary.gpsOffset = u64(6);
  summary.gpsSize = u32(7);
  summary.gsensorOffset = u64(8);
  summary.gsensorSize = u32(9);
  summary.width = static_cast<uint16_t>(u32(10));
  summary.height = static_cast<uint16_t>(u32(11));
  summary.startTime = sqlite3_column_int64(s, 12);
  summary.durationSeconds = sqlite3_column_int64(s, 13);
  summary.durationMs = u32(14);
  summary.fileSize = u64(15);
  summary.gpsaValue = u32(16);
  summary.gseaValue = u32(17);
  found.gpsKept = sqlite3_column_type(s, 18) == SQLITE_BLOB;
  if (found.listed && needGps && !found.gpsKept) return false;
  if (found.gpsKept) {
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(s, 18));
    const std::size_t count = static_cast<std::size_t>(sqlite3_column_bytes(s, 18)) / kGpsRecordSize;
    found.gps.reserve(count);
    for (std::size_t i = 0; i < count; ++i) found.gps.push_back(DecodeGpsSample(bytes + i * kGpsRecordSize));
  }
  listing = std::move(found);
  return true;
}

bool ScanIndex::BeginBatch() {
  if (!m_db) return false;
  if (m_inTransaction) return true;
  if (!Exec("BEGIN IMMEDIATE")) {
    // Held by another viewer past the timeout: this row is not kept.
    if ((sqlite3_errcode(m_db) & 0xff) != SQLITE_BUSY) Fail();
    return false;
  }
  m_inTransaction = true;
  return true;
}

void ScanIndex::StepWrite(sqlite3_stmt* s) {
  const int stepped = sqlite3_step(s);
  sqlite3_reset(s);
  if (stepped != SQLITE_DONE) {
    Fail();
    return;
  }
  if (++m_pendingWrites >= kRowsPerTransaction) CommitBatch();
}

void ScanIndex::BindKey(sqlite3_stmt* s, const std::string& path, const FileStamp& stamp) {
  sqlite3_bind_text(s, 1, m_volume.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(s, 2, path.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_int64(s, 3, Signed(stamp.size));
  sqlite3_bind_int64(s, 4, stamp.modifiedNs);
  sqlite3_bind_int64(s, 5, stamp.changedNs);
  sqlite3_bind_int64(s, 6, Signed(stamp.inode));
}

bool ScanIndex::FindEvents(const std::string& path, const FileStamp& stamp, std::vector<uint8_t>& events) {
  if (!m_db) return false;
  sqlite3_stmt* s = m_statements->findEvents.get();
  StatementReset resetter(s, &sqlite3_reset);
  BindKey(s, path, stamp);
  if (!StepToRow(s, resetter)) return false;
  const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(s, 0));
  events.assign(bytes, bytes + sqlite3_column_bytes(s, 0));
  return true;
}

void ScanIndex::StoreEvents(const std::string& path, const FileStamp& stamp, const std::vector<uint8_t>& events) {
  if (!BeginBatch()) return;
  sqlite3_stmt* s = m_statements->storeEvents.get();
  sqlite3_reset(s);
  BindKey(s, path, stamp);
  sqlite3_bind_blob64(s, 7, events.data(), events.size(), SQLITE_STATIC);
  StepWrite(s);
}

void ScanIndex::Store(const std::string& path, const FileStamp& stamp, const RecordingListing& listing) {
  if (!BeginBatch()) return;
  sqlite3_stmt* s = m_statements->store.get();
  sqlite3_reset(s);
  const RecordingSummary& summary = listing.summary;
  BindKey(s, path, stamp);
  sqlite3_bind_int(s, 7, listing.listed ? 1 : 0);
  sqlite3_bind_text(s, 8, listing.cutReason.c_str(), -1, SQLITE_STATIC);
  const int64_t values[] = {Signed(summary.gpsOffset), summary.gpsSize,         Signed(summary.gsensorOffset),
                            summary.gsensorSize,       summary.width,           summary.height,
                            summary.startTime,         summary.durationSeconds, summary.durationMs,
                            Signed(summary.fileSize),  summary.gpsaValue,       summary.gseaValue};
  for (std::size_t i = 0; i < std::size(values); ++i) sqlite3_bind_int64(s, static_cast<int>(9 + i), values[i]);
  std::vector<uint8_t> gps(listing.gps.size() * kGpsRecordSize);
  for (std::size_t i = 0; i < listing.gps.size(); ++i) EncodeGpsSample(listing.gps[i], gps.data() + i * kGpsRecordSize);
  if (listing.gpsKept)
    sqlite3_bind_blob64(s, 21, gps.data(), gps.size(), SQLITE_STATIC);
  else
    sqlite3_bind_null(s, 21);
  sqlite3_bind_text(s, 22, m_zone.c_str(), -1, SQLITE_STATIC);
  StepWrite(s);
}

void ScanIndex::Finish(const std::unordered_set<std::string>& seen) {
  if (!m_db) return;
  std::vector<std::string> gone;
  sqlite3_stmt* s = m_statements->belowRoot.get();
  sqlite3_reset(s);
  sqlite3_bind_text(s, 1, m_volume.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(s, 2, m_root.c_str(), -1, SQLITE_STATIC);
  int stepped;
  while ((stepped = sqlite3_step(s)) == SQLITE_ROW) {
    const auto* text = sqlite3_column_text(s, 0);
    const std::string path = text ? reinterpret_cast<const char*>(text) : "";
    if (!seen.count(path)) gone.push_back(path);
  }
  sqlite3_reset(s);
  if (stepped != SQLITE_DONE) {
    Fail();
    return;
  }
  if (!gone.empty() && !BeginBatch()) return;
  for (const std::string& path : gone) {
    sqlite3_stmt* d = m_statements->drop.get();
    sqlite3_reset(d);
    sqlite3_bind_text(d, 1, m_volume.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(d, 2, path.c_str(), -1, SQLITE_STATIC);
    const int dropped = sqlite3_step(d);
    sqlite3_reset(d);
    if (dropped != SQLITE_DONE) {
      Fail();
      return;
    }
  }
  CommitBatch();
}
