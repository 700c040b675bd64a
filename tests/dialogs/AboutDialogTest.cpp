#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>

#include "dialogs/CHtmlAboutDialog.h"
#include "ScopedSettingsDir.h"
#include "WindowWait.h"

namespace {

QVariant RunJs(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool finished = false;
  view->page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    finished = true;
  });
  WaitFor([&] { return finished; });
  return result;
}

bool WaitForPage(CHtmlAboutDialog& dlg) {
  return WaitFor([&] { return RunJs(dlg.View(), "window.externalReady === true").toBool(); });
}

void Click(QWidget* target, const QPoint& at, Qt::MouseButton button) {
  const QPointF local(at);
  const QPointF global(target->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

}  // namespace

TEST(AboutDialog, VersionNumbersFromTheTable) {
  EXPECT_EQ(CHtmlAboutDialog::GetVersionNum(0), 1);
  EXPECT_EQ(CHtmlAboutDialog::GetVersionNum(1), 0);
  EXPECT_EQ(CHtmlAboutDialog::GetVersionNum(2), 4);
  EXPECT_EQ(CHtmlAboutDialog::GetVersionNum(3), 0);
  EXPECT_EQ(CHtmlAboutDialog::GetVersionNum(-1), 0);
}

TEST(AboutDialog, PageScriptsReadTheVersionAndOkCloses) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  CHtmlAboutDialog dlg;
  dlg.show();
  ASSERT_TRUE(WaitForPage(dlg));
  EXPECT_EQ(dlg.size(), QSize(500, 230));
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("バージョン情報"));
  EXPECT_EQ(RunJs(dlg.View(), "document.getElementById('Version').textContent").toString(), "Version 1.04");
  // The car picture comes from the program's pictures.
  EXPECT_TRUE(WaitFor(
      [&] {
        return RunJs(dlg.View(),
                     "document.getElementById('Car').complete && "
                     "document.getElementById('Car').naturalWidth > 0")
            .toBool();
      },
      5000));

  {
    // A picture of the box for the test's artefacts, once the page is on screen.
    WaitFor([] { return false; }, 1500);
    const QRect area = dlg.frameGeometry();
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    QString dir = qEnvironmentVariable("TRK_ARTIFACT_DIR");
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/about-dialog.png"));
  }
  RunJs(dlg.View(),
        "Promise.all([0, 1, 2, 3].map(i => new Promise(r => window.external.GetVersionNum(i, r))))"
        ".then(v => { window.versions = v.join(','); }); true");
  ASSERT_TRUE(WaitFor([&] { return RunJs(dlg.View(), "window.versions || ''").toString() != ""; }));
  EXPECT_EQ(RunJs(dlg.View(), "window.versions").toString(), "1,0,4,0");

  // A real click on the page's OK element closes the dialog with OK.
  QWidget* input = dlg.View()->focusProxy();
  ASSERT_NE(input, nullptr);
  const QVariantList box = RunJs(dlg.View(),
                                 "(() => { const r = document.getElementById('ButtonOK').getBoundingClientRect();"
                                 " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                               .toList();
  ASSERT_EQ(box.size(), 2);
  Click(input, QPoint(box[0].toInt(), box[1].toInt()), Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return !dlg.isVisible(); }, 5000));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(AboutDialog, RightClicksNeverReachThePage) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  CHtmlAboutDialog dlg;
  dlg.show();
  ASSERT_TRUE(WaitForPage(dlg));
  RunJs(dlg.View(),
        "window.presses = [0, 0, 0]; window.menus = 0;"
        "document.addEventListener('mousedown', e => { window.presses[e.button]++; }, true);"
        "document.addEventListener('contextmenu', e => { window.menus++; }, true); true");
  QWidget* input = dlg.View()->focusProxy();
  ASSERT_NE(input, nullptr);
  const QPoint inside(60, 60);
  Click(input, inside, Qt::RightButton);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(inside), QPointF(input->mapToGlobal(inside)), Qt::RightButton,
                  Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(input, &dbl);
  // A left click goes through, so the page does receive the mouse.
  Click(input, inside, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return RunJs(dlg.View(), "window.presses[0]").toInt() > 0; }, 5000));
  EXPECT_EQ(RunJs(dlg.View(), "window.presses[2]").toInt(), 0);
  EXPECT_EQ(RunJs(dlg.View(), "window.menus").toInt(), 0);
  EXPECT_TRUE(dlg.isVisible());
  dlg.reject();
}
