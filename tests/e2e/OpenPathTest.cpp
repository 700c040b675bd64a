#include "settings/CSettings.h"
#include "CommandsSupport.h"

class OpenPath : public e2e::WindowTest {};

TEST_F(OpenPath, AFolderNamedInNoEncodingOpensAsAPathAndAsAUri) {
  const std::string folder = QFile::encodeName(m_dir.path()).toStdString() + "/n\xff";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  SynthOptions o;
  o.durationMs = 4000;
  for (const char* name : {"/REC0001.AVI", "/REC0002.AVI"}) {
    WriteSynthRecording(folder + name, o);
    o.second += 4;
  }
  const std::pair<std::string, int32_t> rows[] = {
      {folder + "/", 0}, {"file://localhost" + folder.substr(0, folder.size() - 1) + "%FF/REC0002.AVI", 1}};
  for (const auto& [argument, started] : rows) {
    m_session.reset();
    MakeSession();  // nothing plays when the path comes
    dlg().OnInitDialog();
    dlg().show();
    opening().OpenPath(argument);
    EXPECT_TRUE(
        WaitFor([&] { return !opening().IsScanning() && dlg().Library().CurrentRecording() == started; }, 60000))
        << argument;
    EXPECT_EQ(CSettings::Instance().ReadString("UI", "Folder", "", 1023), folder);
  }
}
