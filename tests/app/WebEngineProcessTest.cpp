// The processes the map's web engine adds beside the viewer.
#include <dirent.h>
#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>

#include "MainWindowSupport.h"
#include "app/CTRKDlg.h"
#include "map/CHtmlMapDlg.h"

namespace {

// The web engine's processes started by this one (its zygotes; the renderer
// is a zygote's child).
int WebEngineChildren() {
  int count = 0;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return -1;
  while (const dirent* entry = readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!stat.open(QIODevice::ReadOnly) || !command.open(QIODevice::ReadOnly)) continue;
    // The parent follows the command name, which may hold blanks.
    const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
    if (fields.size() > 2 && fields[2].toInt() == getpid() && command.readAll().contains("QtWebEngineProcess")) ++count;
  }
  closedir(proc);
  return count;
}

}  // namespace

TEST(WebEngineProcesses, OneZygoteServesTheMap) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  CTRKDlg dlg;
  dlg.OnInitDialog();
  dlg.show();
  ASSERT_TRUE(WaitFor([&] { return dlg.MapDlg() && dlg.MapDlg()->IsPageLoaded(); }, 30000));
  EXPECT_EQ(WebEngineChildren(), 1);
  dlg.close();
}
