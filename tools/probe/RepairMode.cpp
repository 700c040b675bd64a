// trk-probe --repair FILE [--reference HEALTHY] OUTDIR: writes a playable copy
// of a recording cut off by power loss into OUTDIR and prints what it kept.
#include "repair/CutRepair.h"
#include "Json.h"
#include "ProbeMode.h"

namespace {

int RunRepair(const std::vector<std::string>& args, std::FILE* out) {
  std::string file, reference, folder;
  if (args.size() == 2) {
    file = args[0];
    folder = args[1];
  } else if (args.size() == 4 && args[1] == "--reference") {
    file = args[0];
    reference = args[2];
    folder = args[3];
  } else {
    return ProbeUsage();
  }
  const RepairResult r = RepairCutRecording(file, folder, reference);
  JsonWriter json;
  json.BeginObject().Field("file", file).Field("repaired", r.Repaired());
  if (r.Repaired())
    json.Field("output", r.output);
  else
    json.Key("output").Null();
  if (!r.reference.empty()) json.Field("reference", r.reference);
  json.Field("frames", r.frames).Field("seconds", r.seconds);
  json.Field("audio", !r.hadAudio ? "none" : r.audioKept ? "kept" : "left out");
  if (!r.Repaired()) json.Field("reason", RepairReason(r)).Field("detail", r.detail);
  if (r.error) json.Field("errno", r.error);
  json.EndObject();
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
  return r.Repaired() ? 0 : 1;
}

}  // namespace

const ProbeMode& RepairMode() {
  static const ProbeMode mode{"--repair", "FILE [--reference HEALTHY] OUTDIR", &RunRepair};
  return mode;
}
