// trk-probe: reads recordings the way the viewer does and prints JSON lines.
// Exit status 2 means the command line was wrong; anything about the files
// themselves is reported in the JSON.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ProbeMode.h"

// Declares the mode's accessor (defined in the mode's own file) and yields it.
#define TRK_PROBE_MODE(accessor) [] { const ProbeMode& accessor(); return &accessor(); }()

// The mode table: one line per mode. The first one takes plain file names.
// (Outside any namespace, so that each line names the global accessor.)
static const std::vector<const ProbeMode*>& Modes() {
  static const std::vector<const ProbeMode*> modes = {
      TRK_PROBE_MODE(FilesMode),
      TRK_PROBE_MODE(LibraryMode), TRK_PROBE_MODE(ResolutionMode),
      TRK_PROBE_MODE(KmlMode), TRK_PROBE_MODE(GpxMode), TRK_PROBE_MODE(CsvMode),
      TRK_PROBE_MODE(ExportMode), TRK_PROBE_MODE(RepairMode),
  };
  return modes;
}

int ProbeUsage() {
  bool first = true;
  for (const ProbeMode* m : Modes()) {
    std::fprintf(stderr, "%s trk-probe %s%s%s\n", first ? "usage:" : "      ",
                 m->option ? m->option : "", m->option ? " " : "", m->usage);
    first = false;
  }
  return 2;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") return ProbeUsage();
  for (const ProbeMode* m : Modes()) {
    if (m->option && args[0] == m->option)
      return m->run(std::vector<std::string>(args.begin() + 1, args.end()), stdout);
  }
  return Modes().front()->run(args, stdout);
}
