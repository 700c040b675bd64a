#pragma once
// Fault injection for the scan and the file operations: folder trees of small
// but complete recordings, a child process that runs as the unprivileged user
// "nobody" (root reads and writes everything), mounts of small or read-only
// file systems, and views that record what the library tells them.
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ContainerBytes.h"
#include "library/LibraryLists.h"
#include "library/RecordingLibrary.h"
#include "TempFolder.h"

constexpr uid_t kNobody = 65534;

// A fresh folder under /tmp that "nobody" may enter; what was mounted below
// it is unmounted before it goes.
class FaultTree : public TempFolder {
 public:
  FaultTree() = default;
  ~FaultTree() override {
    for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
  }

  // Mounts a tmpfs of `options` (e.g. "size=1m", "ro") at `relative`; false
  // when this process may not mount.
  bool MountTmpfs(const std::string& relative, const std::string& options) {
    const std::string path = Folder(relative);
    if (::mount("tmpfs", path.c_str(), "tmpfs", options == "ro" ? MS_RDONLY : 0,
                options == "ro" ? "mode=0755" : (options + ",mode=0755").c_str()) != 0)
      return false;
    m_mounts.push_back(path);
    return true;
  }

 private:
  std::vector<std::string> m_mounts;
};

// A complete AVI recording of one minute starting at 2019-05-01 08:mm:00, with
// `padding` bytes of stream data (so it can be made as large as a test needs).
inline Bytes Recording(int minute, std::size_t padding = 64) {
  AviLayout layout;
  char text[32];
  std::snprintf(text, sizeof text, "2019-05-01 08:%02d:00", minute);
  layout.dateText = text;
  layout.moviBytes = padding;
  return MakeAvi(layout);
}

// Every regular file below `folder` (relative paths), hidden ones included.
inline std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           folder, std::filesystem::directory_options::skip_permission_denied, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) files.insert(std::filesystem::relative(it->path(), folder).string());
  }
  return files;
}

// Runs `body` in a child process; as root the child first becomes "nobody"
// unless `asNobody` is false. Returns what the body returned, or nothing when
// the child failed (the reason is added as a test failure).
inline std::optional<std::string> RunInChild(const std::function<std::string()>& body, bool asNobody = true) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    ADD_FAILURE() << "pipe failed";
    return std::nullopt;
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork failed";
    return std::nullopt;
  }
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (asNobody && ::geteuid() == 0) {
      const gid_t groups[] = {kNobody};
      if (::setgroups(1, groups) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
    }
    const std::string out = body();
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
      if (n <= 0) ::_exit(4);
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string result;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    ADD_FAILURE() << "the child process failed (status " << status << ")";
    return std::nullopt;
  }
  return result;
}

// ---------------------------------------------------------------------------
// Views that record what the library shows.

class CheckGroupList : public IGroupListView {
 public:
  int AddGroupRow(int32_t, const std::string&, uint64_t, uint64_t, int, int64_t) override {
    ++rows;
    return 1;
  }
  void DeleteAllRows() override { rows = 0; }
  void SetRowHighlighted(int, bool) override {}
  void EnsureRowVisible(int) override {}
  bool IsRowChecked(int row) const override { return checked.count(row) != 0; }

  int rows = 0;
  std::set<int> checked;
};

class CountingFileList : public IFileListView {
 public:
  int AddFileRow(int32_t, int32_t, const std::string&, const std::string&, uint32_t, uint64_t, int, int64_t) override {
    ++rows;
    return 1;
  }
  void DeleteAllRows() override { rows = 0; }
  void SetRowHighlighted(int, bool) override {}
  void EnsureRowVisible(int) override {}
  int rows = 0;
};

class AnsweringOwner : public CopyFeedback {
 public:
  bool ConfirmOverwrite(const std::string& path) override {
    asked.push_back(path);
    return overwrite;
  }
  void ShowCopyProgress(int percent, const std::string&) override { percents.push_back(percent); }
  void HideCopyProgress() override { hidden = true; }

  bool overwrite = true;
  std::vector<std::string> asked;
  std::vector<int> percents;
  bool hidden = false;
};

// A library attached to recording views, with every group checked after a scan.
struct CheckedLibrary {
  void Open(const std::string& folder) {
    library.OpenRecordings(folder);
    lists.Fill();
    groups.checked.clear();
    for (std::size_t g = 0; g < library.Groups().size(); ++g) groups.checked.insert(static_cast<int>(g));
    lists.TakeChecks();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const RecordingInfo& r : library.Recordings()) names.push_back(r.subfolder + r.name);
    return names;
  }

  RecordingLibrary library;
  CheckGroupList groups;
  CountingFileList files;
  AnsweringOwner owner;
  LibraryLists lists{library, &groups, &files};
};

// One line per failure ("errno path -> destination") and per remaining
// recording ("R name"): what a child process hands back.
inline std::string Report(const RecordingLibrary& library) {
  std::ostringstream out;
  for (const FileOperationFailure& f : library.LastFailures())
    out << "F " << f.error << ' ' << f.path << " -> " << f.destination << '\n';
  for (const RecordingInfo& r : library.Recordings()) out << "R " << r.subfolder << r.name << '\n';
  return out.str();
}

inline std::vector<std::string> LinesStartingWith(const std::string& report, char kind) {
  std::vector<std::string> lines;
  std::istringstream in(report);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] == kind) lines.push_back(line.substr(2));
  return lines;
}
