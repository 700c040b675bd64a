// libtrk-io-count.so: preloaded into a program (LD_PRELOAD), it counts the
// opens, reads and bytes read of the regular files below one folder, and can
// make each of those calls cost what it costs on a cold USB card.
//
//   TRK_IO_ROOT        folder whose files are counted (required; absolute)
//   TRK_IO_REPORT      file the counts are written to at exit (else stderr)
//   TRK_IO_LATENCY_US  cost of each open and each read, in microseconds
//   TRK_IO_MBPS        throughput of reads in MB/s (10^6 bytes); 0 = free
//   TRK_IO_SLEEP       1: really wait that long; else only add it up
//   TRK_IO_FAT         1: the files and folders below the root answer the FAT
//                      attribute ioctl as on a FAT card (archive, read-only
//                      where no write bit is set), so that the reading a FAT
//                      card costs can be counted without mounting one
//
// The report is one line: "opens N reads N bytes N delay_us N".
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/msdos_fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int kMaxFd = 65536;

std::atomic<bool> g_tracked[kMaxFd];
std::atomic<uint64_t> g_opens{0}, g_reads{0}, g_bytes{0}, g_delayUs{0};

struct Settings {
  char root[4096] = {};
  std::size_t rootLength = 0;
  double latencyUs = 0.0;
  double mbps = 0.0;
  bool sleep = false;
  bool fat = false;
};

const Settings& Config() {
  static const Settings settings = [] {
    Settings s;
    if (const char* root = std::getenv("TRK_IO_ROOT")) {
      std::snprintf(s.root, sizeof s.root, "%s", root);
      s.rootLength = std::strlen(s.root);
      while (s.rootLength > 1 && s.root[s.rootLength - 1] == '/') s.root[--s.rootLength] = '\0';
    }
    if (const char* v = std::getenv("TRK_IO_LATENCY_US")) s.latencyUs = std::atof(v);
    if (const char* v = std::getenv("TRK_IO_MBPS")) s.mbps = std::atof(v);
    if (const char* v = std::getenv("TRK_IO_SLEEP")) s.sleep = std::strcmp(v, "1") == 0;
    if (const char* v = std::getenv("TRK_IO_FAT")) s.fat = std::strcmp(v, "1") == 0;
    return s;
  }();
  return settings;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// The cost of one call moving `bytes`, added up and waited for when asked.
void Charge(uint64_t bytes) {
  const Settings& s = Config();
  double us = s.latencyUs;
  if (s.mbps > 0.0) us += static_cast<double>(bytes) / s.mbps;  // bytes / (MB/s) = microseconds
  const auto whole = static_cast<uint64_t>(us);
  g_delayUs += whole;
  if (s.sleep && whole > 0) {
    struct timespec ts {
      static_cast<time_t>(whole / 1000000), static_cast<long>(whole % 1000000) * 1000
    };
    while (::nanosleep(&ts, &ts) != 0) {
    }
  }
}

// Whether `fd` is the root or lies below it (the path is asked of the
// kernel, so relative and openat paths count alike).
bool UnderRoot(int fd, bool rootItself) {
  const Settings& s = Config();
  if (s.rootLength == 0) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char path[4096];
  const ssize_t n = ::readlink(link, path, sizeof path - 1);
  if (n <= 0) return false;
  path[n] = '\0';
  const auto length = static_cast<std::size_t>(n);
  if (length < s.rootLength || std::strncmp(path, s.root, s.rootLength) != 0) return false;
  return length == s.rootLength ? rootItself : path[s.rootLength] == '/';
}

// Tracks `fd` when it is a regular file below the root.
void OnOpen(int fd) {
  if (fd < 0 || fd >= kMaxFd) return;
  g_tracked[fd] = false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !UnderRoot(fd, false)) return;
  g_tracked[fd] = true;
  ++g_opens;
  Charge(0);
}

void OnRead(int fd, ssize_t got) {
  if (fd < 0 || fd >= kMaxFd || !g_tracked[fd]) return;
  ++g_reads;
  const uint64_t bytes = got > 0 ? static_cast<uint64_t>(got) : 0;
  g_bytes += bytes;
  Charge(bytes);
}

mode_t ModeArg(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

struct Reporter {
  ~Reporter() {
    char line[256];
    const int n = std::snprintf(
        line, sizeof line, "opens %llu reads %llu bytes %llu delay_us %llu\n",
        static_cast<unsigned long long>(g_opens.load()), static_cast<unsigned long long>(g_reads.load()),
        static_cast<unsigned long long>(g_bytes.load()), static_cast<unsigned long long>(g_delayUs.load()));
    const char* report = std::getenv("TRK_IO_REPORT");
    int fd = report
                 ? Next<int (*)(const char*, int, ...)>("open")(report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                 : STDERR_FILENO;
    if (fd < 0) return;
    if (::write(fd, line, static_cast<std::size_t>(n)) < 0) {
    }
    if (fd != STDERR_FILENO) ::close(fd);
  }
} g_reporter;

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  const int fd = Next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
  OnOpen(fd);
  return fd;
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  const int fd = Next<int (*)(const char*, int, ...)>("open64")(path, flags, mode);
  OnOpen(fd);
  return fd;
}

int openat(int dirFd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  const int fd = Next<int (*)(int, const char*, int, ...)>("openat")(dirFd, path, flags, mode);
  OnOpen(fd);
  return fd;
}

int openat64(int dirFd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  const int fd = Next<int (*)(int, const char*, int, ...)>("openat64")(dirFd, path, flags, mode);
  OnOpen(fd);
  return fd;
}

ssize_t read(int fd, void* buffer, size_t size) {
  const ssize_t got = Next<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, size);
  OnRead(fd, got);
  return got;
}

ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
  const ssize_t got = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread")(fd, buffer, size, offset);
  OnRead(fd, got);
  return got;
}

ssize_t pread64(int fd, void* buffer, size_t size, off64_t offset) {
  const ssize_t got = Next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64")(fd, buffer, size, offset);
  OnRead(fd, got);
  return got;
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  struct stat st {};
  if (request == FAT_IOCTL_GET_ATTRIBUTES && Config().fat && ::fstat(fd, &st) == 0 && UnderRoot(fd, true)) {
    uint32_t attributes = S_ISDIR(st.st_mode) ? ATTR_DIR : ATTR_ARCH;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= ATTR_RO;
    std::memcpy(argument, &attributes, sizeof attributes);
    return 0;
  }
  return Next<int (*)(int, unsigned long, ...)>("ioctl")(fd, request, argument);
}

int close(int fd) {
  if (fd >= 0 && fd < kMaxFd) g_tracked[fd] = false;
  return Next<int (*)(int)>("close")(fd);
}

}  // extern "C"
