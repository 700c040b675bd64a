// trk-probe: reads recordings the way the viewer does and prints JSON lines.
// Exit status 2 means the command line was wrong; anything about the files
// themselves is reported in the JSON.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ProbeMode.h"
#include "TrkVersion.h"

// Declares the mode's accessor (defined in the mode's own file) and yields it.
#define TRK_PROBE_MODE(accessor) \
  [] {                           \
    const ProbeMode& accessor(); \
    return &accessor();          \
  }()

// The mode table: one line per mode. The first one takes plain file names.
// (Outside any namespace, so that each line names the global accessor.)
static const std::vector<const ProbeMode*>& Modes() {
  static const std::vector<const ProbeMode*> modes = {
      TRK_PROBE_MODE(FilesMode),  TRK_PROBE_MODE(LibraryMode), TRK_PROBE_MODE(ResolutionMode),
      TRK_PROBE_MODE(KmlMode),    TRK_PROBE_MODE(GpxMode),     TRK_PROBE_MODE(CsvMode),
      TRK_PROBE_MODE(ExportMode), TRK_PROBE_MODE(RepairMode),  TRK_PROBE_MODE(EventsMode),
      TRK_PROBE_MODE(ClipMode),
  };
  return modes;
}

static void PrintUsage(std::FILE* to) {
  bool first = true;
  for (const ProbeMode* m : Modes()) {
    std::fprintf(to, "%s trk-probe %s%s%s\n", first ? "usage:" : "      ", m->option ? m->option : "",
                 m->option ? " " : "", m->usage);
    first = false;
  }
}

int ProbeUsage() {
  PrintUsage(stderr);
  return 2;
}

// --help: on standard output with status 0, as help2man expects.
static int PrintHelp() {
  PrintUsage(stdout);
  std::fputs(
      "\nReads dash-camera recordings (AVI and QuickTime/MOV with the camera's GPS\n"
      "and G-sensor chunks) the way trk-viewer does and prints one JSON line per\n"
      "recording or group.\n"
      "\nOptions:\n"
      "  --samples               with plain FILE arguments: print the GPS and G-sensor samples too\n"
      "  --library FOLDER        scan FOLDER as the viewer's OPEN does: its groups and recordings\n"
      "  --no-index              with --library: neither read nor write the scan index\n"
      "  --no-events             with --library: no event counts (they read every G-sensor block)\n"
      "                          ($XDG_CACHE_HOME/trk-viewer/scan-index.sqlite)\n"
      "  --resolution WIDTH HEIGHT  the viewer's resolution label of a frame size\n"
      "  --kml FILE OUTDIR       write FILE's GPS route into OUTDIR as the viewer's KML export\n"
      "  --events FILE|CARD      the harsh moments found (braking, acceleration, turns,\n"
      "                          impacts), one JSON object per event\n"
      "  --clip FILE|CARD --from T --to T [--lossless] [--overlay] OUTDIR\n"
      "                          a clip of the span with its data and checksums in a\n"
      "                          folder of its own under OUTDIR; T is seconds into FILE\n"
      "                          or the camera clock \"YYYY-MM-DD hh:mm:ss\" on a CARD\n"
      "  -h, --help              display this help and exit\n"
      "      --version           output version information and exit\n"
      "\nExit status: 0 when done, 2 when the command line is wrong; problems with\n"
      "the files themselves are reported in the JSON.\n",
      stdout);
  return 0;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return ProbeUsage();
  if (args[0] == "--help" || args[0] == "-h") return PrintHelp();
  if (args[0] == "--version") {
    PrintTrkVersion("trk-probe");
    return 0;
  }
  for (const ProbeMode* m : Modes()) {
    if (m->option && args[0] == m->option)
      return m->run(std::vector<std::string>(args.begin() + 1, args.end()), stdout);
  }
  return Modes().front()->run(args, stdout);
}
