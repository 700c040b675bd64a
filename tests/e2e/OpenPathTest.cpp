// What a file manager hands the viewer opens whatever bytes name it: a folder
// whose name is not UTF-8, as a path and as a file:// URI of this machine.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CSettings.h"
#include "CommandsSupport.h"
#include "Synth.h"

namespace {

class OpenPath : public e2e::WindowTest {};

std::string Escaped(const std::string& path) {
  std::string uri;
  for (const unsigned char c : path) {
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", c);
    uri += (c < 0x80 && c > 0x20 && c != '%') ? std::string(1, static_cast<char>(c)) : std::string(escape);
  }
  return uri;
}

}  // namespace

TEST_F(OpenPath, AFolderNamedInNoEncodingOpensAsAPathAndAsAUri) {
  const std::string folder = QFile::encodeName(m_dir.path()).toStdString() + "/n\xff";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  SynthOptions o;
  o.width = 320;
  o.height = 240;
  o.fps = 15;
  o.durationMs = 4000;
  for (const char* name : {"REC0001.AVI", "REC0002.AVI"}) {
    WriteSynthRecording(folder + "/" + name, o);
    o.second += 4;
  }
  const struct {
    std::string argument;
    int32_t started;
  } rows[] = {
      {folder + "/", 0},
      {"file://" + Escaped(folder) + "/", 0},
      {"file://localhost" + Escaped(folder) + "/REC0002.AVI", 1},
  };
  for (const auto& row : rows) {
    // A window of its own for each: nothing plays yet when the path comes.
    m_dlg = std::make_unique<e2e::ObservedDlg>();
    m_dlg->OnInitDialog();
    m_dlg->show();
    CSettings& settings = CSettings::Instance();
    settings.WriteString("UI", "Folder", "");
    dlg().OpenPath(row.argument);
    EXPECT_TRUE(WaitFor(
        [&] {
          return settings.ReadString("UI", "Folder", "", 1023) == folder && !dlg().IsScanning() &&
                 dlg().Library().Recordings().size() == 2 && dlg().Library().CurrentRecording() == row.started;
        },
        60000))
        << row.argument << " current " << dlg().Library().CurrentRecording();
  }
  EXPECT_TRUE(Boxes().empty());
}
