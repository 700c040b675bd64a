// SD-card-like trees of recordings.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

#include "Synth.h"

namespace {

struct Planned {
  std::string folder;  // relative, ends with '/' or empty
  std::string prefix;  // "FILE" or "EVGS"
  bool mov = false;
  bool readOnly = false;
  uint32_t durationMs = 0;
  SynthIdit idit = SynthIdit::Valid;
  bool hardBrake = false;
};

struct DrivePlan {
  int hour, minute, second;
  uint32_t seed;
  std::vector<Planned> recordings;
  double brakeAt = -1;  // seconds into the drive
  // The other harsh moments of the demo, one of each (-1: none).
  double accelerateAt = -1;
  double leftTurnAt = -1;
  double impactAt = -1;
};

std::string TwoDigits(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v % 100);
  return b;
}

std::string NameFor(const std::string& prefix, const std::tm& t, bool mov) {
  return prefix + TwoDigits(t.tm_year) + TwoDigits(t.tm_mon + 1) + TwoDigits(t.tm_mday) + "-" + TwoDigits(t.tm_hour) +
         TwoDigits(t.tm_min) + TwoDigits(t.tm_sec) + (mov ? ".MOV" : ".AVI");
}

void Prepare(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  ::unlink(path.c_str());  // also replaces write-protected files of an earlier run
}

SynthCardFile WriteOne(const std::string& dir, const std::string& relative, SynthOptions options, bool readOnly,
                       const std::string& name) {
  const std::string path = dir + "/" + relative;
  Prepare(path);
  const SynthReport report = WriteSynthRecording(path, options);
  if (readOnly && ::chmod(path.c_str(), 0444) != 0) throw SynthError("cannot write-protect " + path);
  SynthCardFile f;
  f.relativePath = relative;
  f.readOnly = readOnly;
  // The scan matches the extensions without regard to case.
  std::string extension = relative.size() >= 4 ? relative.substr(relative.size() - 4) : std::string();
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  f.recording = extension == ".AVI" || extension == ".MOV" || extension == ".MP4";
  f.event = readOnly && name.rfind("EVGS", 0) == 0;
  f.locked = readOnly && !f.event;
  f.startTime = report.startTime;
  f.durationMs = report.videoMs;
  return f;
}

std::vector<DrivePlan> DemoPlan() {
  std::vector<DrivePlan> drives;
  {  // morning drive: AVI, one locked recording, an event with a hard braking
    DrivePlan d{8, 30, 0, 1, {}, 132};
    for (int i = 0; i < 4; ++i) d.recordings.push_back({"DCIM/NORMAL/", "FILE", false, i == 2, 30000});
    d.recordings.push_back({"DCIM/EVENT/", "EVGS", false, true, 20000, SynthIdit::Valid, true});
    drives.push_back(d);
  }
  {  // QuickTime drive with an event at its end
    DrivePlan d{8, 47, 10, 2, {}, 190};
    d.accelerateAt = 45;
    d.leftTurnAt = 100;
    for (int i = 0; i < 3; ++i) d.recordings.push_back({"DCIM/MOVIE/", "FILE", true, false, 60000});
    d.recordings.push_back({"DCIM/EVENT/", "EVGS", true, true, 20000, SynthIdit::Valid, true});
    drives.push_back(d);
  }
  {  // midday: AVI in the card's root, one of them without date text (GPS clock only)
    DrivePlan d{12, 5, 0, 3, {}, -1};
    d.impactAt = 33;  // a pothole taken hard
    for (int i = 0; i < 3; ++i)
      d.recordings.push_back({"", "FILE", false, false, 20000, i == 1 ? SynthIdit::None : SynthIdit::Valid});
    drives.push_back(d);
  }
  {  // evening: QuickTime, the short last one without date text
    DrivePlan d{17, 40, 30, 4, {}, -1};
    d.recordings.push_back({"DCIM/MOVIE/", "FILE", true, false, 45000});
    d.recordings.push_back({"DCIM/MOVIE/", "FILE", true, false, 10000, SynthIdit::None});
    drives.push_back(d);
  }
  return drives;
}

std::vector<DrivePlan> BenchPlan(int recordings) {
  std::vector<DrivePlan> drives;
  const char* folders[] = {"DCIM/NORMAL/", "DCIM/MOVIE/", "DCIM/100MEDIA/", "DCIM/101MEDIA/"};
  int made = 0;
  int start = 6 * 3600;
  for (int drive = 0; made < recordings; ++drive) {
    DrivePlan d{start / 3600, (start / 60) % 60, start % 60, static_cast<uint32_t>(drive + 1), {}, -1};
    const bool mov = drive % 2 == 1;
    for (int i = 0; i < 10 && made < recordings; ++i, ++made)
      d.recordings.push_back({folders[drive % 4], "FILE", mov, false, 60000});
    drives.push_back(d);
    // Ten minutes of recordings, five of gap; past midnight the drives go on
    // into the next days (the calendar fields roll over), so no two names meet.
    start += 10 * 60 + 5 * 60;
  }
  return drives;
}

// A recording of the card's day and frame size, starting at hour:minute.
SynthOptions OptionsOfTheDay(const SynthCardOptions& options, int hour, int minute) {
  SynthOptions o;
  o.year = options.year;
  o.month = options.month;
  o.day = options.day;
  o.hour = hour;
  o.minute = minute;
  o.width = options.width;
  o.height = options.height;
  return o;
}

}  // namespace

std::vector<SynthCardFile> WriteSynthCard(const std::string& dir, const SynthCardOptions& options) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir)) throw SynthError("cannot create " + dir);

  const bool cheap = options.cheapVideo;
  const uint32_t cheapMs = 4000;
  std::vector<SynthCardFile> files;
  const auto plan = options.recordings > 0 ? BenchPlan(options.recordings) : DemoPlan();
  for (std::size_t di = 0; di < plan.size(); ++di) {
    const DrivePlan& d = plan[di];
    double driveSeconds = 0;
    SynthOptions base = OptionsOfTheDay(options, d.hour, d.minute);
    base.second = d.second;
    base.routeSeed = d.seed;
    base.hardBrake = d.brakeAt >= 0;
    for (const Planned& p : d.recordings) {
      SynthOptions o = base;
      o.durationMs = cheap ? cheapMs : p.durationMs;
      if (cheap) o.fps = 10;
      o.second = d.second + static_cast<int>(driveSeconds);  // mktime rolls the fields over
      o.minute = d.minute;
      o.driveSeconds = driveSeconds;
      o.hardBrakeAt = d.brakeAt - driveSeconds;
      auto moment = [driveSeconds](double at) {
        return at >= 0 ? std::vector<double>{at - driveSeconds} : std::vector<double>{};
      };
      o.accelerateAt = moment(d.accelerateAt);
      o.leftTurnAt = moment(d.leftTurnAt);
      o.impactAt = moment(d.impactAt);
      o.idit = p.idit;
      o.noFixRecords = driveSeconds == 0 ? 2 : 0;  // the receiver has a fix once the drive is on
      o.gsensorRate = 10;
      // Normalise the calendar fields for the name.
      bool ok = false;
      const int64_t start = LocalCalendarToTime(o.year, o.month, o.day, o.hour, o.minute, o.second, &ok);
      const std::time_t t = static_cast<std::time_t>(start);
      std::tm local{};
      localtime_r(&t, &local);
      o.year = local.tm_year + 1900;
      o.month = local.tm_mon + 1;
      o.day = local.tm_mday;
      o.hour = local.tm_hour;
      o.minute = local.tm_min;
      o.second = local.tm_sec;
      const std::string name = NameFor(p.prefix, local, p.mov);
      SynthCardFile f = WriteOne(dir, p.folder + name, o, p.readOnly, name);
      f.drive = static_cast<int>(di);
      files.push_back(f);
      driveSeconds += o.durationMs / 1000.0;
    }
  }

  if (options.withCut) {
    // Power lost during a recording: the camera's sizes claim more than the
    // card holds, and the QuickTime file never got its moov.
    struct CutPlan {
      const char* folder;
      bool mov;
      int hour, minute;
    };
    for (const CutPlan& c : {CutPlan{"DCIM/NORMAL/", false, 9, 15}, CutPlan{"DCIM/MOVIE/", true, 18, 5}}) {
      SynthOptions o = OptionsOfTheDay(options, c.hour, c.minute);
      o.durationMs = cheap ? cheapMs : 30000;
      if (cheap) o.fps = 10;
      o.routeSeed = 7;
      o.hardBrake = true;
      o.hardBrakeAt = o.durationMs / 2000.0;  // the incident that cut the power
      o.cutAt = 0.6;
      std::tm start{};  // the fields are valid as they are: only the name is made of them
      start.tm_year = o.year - 1900;
      start.tm_mon = o.month - 1;
      start.tm_mday = o.day;
      start.tm_hour = o.hour;
      start.tm_min = o.minute;
      const std::string name = NameFor("FILE", start, c.mov);
      SynthCardFile f = WriteOne(dir, std::string(c.folder) + name, o, false, name);
      f.cut = true;
      f.recording = c.mov;  // the atom walk still takes a moov-less file; the AVI walk refuses it
      files.push_back(f);
    }
  }

  if (options.recordings == 0) {
    // What a scan must pass over: a hidden folder with a recording and text
    // files; and a lower-case .avi it must read.
    SynthOptions hidden;
    hidden.year = options.year;
    hidden.month = options.month;
    hidden.day = options.day;
    hidden.hour = 9;
    hidden.durationMs = 10000;
    hidden.width = options.width;
    hidden.height = options.height;
    SynthCardFile h = WriteOne(
        dir,
        ".hidden/FILE" + TwoDigits(options.year) + TwoDigits(options.month) + TwoDigits(options.day) + "-090000.AVI",
        hidden, false, "FILE");
    h.hidden = true;
    h.recording = false;
    files.push_back(h);
    SynthOptions lower = hidden;
    lower.hour = 10;
    SynthCardFile l = WriteOne(dir, "DCIM/NORMAL/clip0001.avi", lower, false, "clip0001.avi");
    l.drive = static_cast<int>(plan.size());  // a drive of its own
    files.push_back(l);
    for (const char* text : {"README.txt", "DCIM/MISC/settings.txt"}) {
      const std::string path = dir + "/" + text;
      Prepare(path);
      std::ofstream(path) << "Not a recording.\n";
      SynthCardFile t;
      t.relativePath = text;
      files.push_back(t);
    }
  }
  return files;
}
