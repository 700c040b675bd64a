// The KML button's right-click menu and the group rows' trip tooltips in the
// real window on the test card.
#include <QHelpEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QToolTip>

#include "CommandsSupport.h"
#include "playback/MediaEngine.h"

using e2e::ReadAll;
using e2e::Text;

namespace {

class ExportMenu : public e2e::WindowTest {
 protected:
  // Right-clicks the KML button, notes the menu's entries and picks entry `index`.
  QStringList PickFromMenu(int index) {
    QStringList entries;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr || !menu->isVisible()) return;
      poll.stop();
      for (QAction* action : menu->actions()) entries << action->text();
      menu->setActiveAction(menu->actions().value(index));
      QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start(20);
    // Through the window, as the window system delivers a click: the right
    // button's press becomes the context-menu request.
    const QPoint at = dlg().Button(IDC_KML).mapTo(&dlg(), dlg().Button(IDC_KML).rect().center());
    QTest::mouseClick(dlg().windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    WaitFor([&] { return !poll.isActive(); }, 5000);
    QApplication::processEvents();
    return entries;
  }
};

}  // namespace

TEST_F(ExportMenu, EveryEntryWritesItsFilesAndNamesThemInTheMessage) {
  OpenCard();
  ASSERT_TRUE(WaitFor([&] { return dlg().Library().GpsBytes() > 0; }));
  const QString folder = QDir::homePath() + "/Documents/GPSLOG/";
  const QString stem = folder + "REC0001_2024_04_12_08-30-00";
  const struct {
    uint32_t caption, text;
    QStringList files;
  } entries[] = {
      {127, 125, {stem + ".KML"}},
      {236, 234, {stem + ".GPX"}},
      {236, 234, {stem + "_TRIP.GPX"}},
      {239, 237, {stem + "_GPS.CSV", stem + "_GSENSOR.CSV"}},
  };
  for (int i = 0; i < 4; ++i) {
    m_answers.Box(QMessageBox::Ok);
    const QStringList menu = PickFromMenu(i);
    EXPECT_EQ(menu, (QStringList{Text(230), Text(231), Text(232), Text(233), QString(), Text(360)}));
    ASSERT_EQ(Boxes().size(), static_cast<std::size_t>(i + 1)) << "no message for entry " << i;
    QString text = Text(entries[i].text);
    text.replace("%s", entries[i].files.join(", "));
    EXPECT_EQ(Boxes()[static_cast<std::size_t>(i)], Text(entries[i].caption) + "|" + text);
    for (const QString& file : entries[i].files) EXPECT_FALSE(ReadAll(file).isEmpty()) << file.toStdString();
  }
  // The trip holds the group's three recordings, one segment each.
  EXPECT_EQ(ReadAll(stem + "_TRIP.GPX").count("<trkseg>"), 3);
  EXPECT_EQ(ReadAll(stem + ".GPX").count("<trkseg>"), 1);
  EXPECT_TRUE(ReadAll(stem + "_GPS.CSV").startsWith("utc_time,seconds_from_start,"));
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());  // exports do not stop playback

  // A left click is still the KML export alone.
  QFile::remove(stem + ".KML");
  m_answers.Box(QMessageBox::Ok);
  QTest::mouseClick(&dlg().Button(IDC_KML), Qt::LeftButton, Qt::NoModifier, dlg().Button(IDC_KML).rect().center());
  ASSERT_TRUE(WaitFor([&] { return Boxes().size() == 5; }, 5000));
  EXPECT_TRUE(Boxes()[4].startsWith(Text(127) + "|"));
  EXPECT_FALSE(ReadAll(stem + ".KML").isEmpty());

  // The last entry asks for a clip.
  m_answers.Dialog([](QDialog* d) { d->reject(); });
  PickFromMenu(5);
  EXPECT_EQ(Boxes().back(), Box(369, 369));
}

TEST_F(ExportMenu, GroupRowsShowTheirTripFiguresAsTooltip) {
  OpenCard();
  // The placeholders become tokens that escaping leaves alone, then patterns.
  QString pattern = Text(241);
  pattern.replace("%", "PLACEHOLDER");
  pattern = QRegularExpression::escape(pattern);
  pattern.replace("PLACEHOLDER1", "([0-9]+\\.[0-9]{2})").replace("PLACEHOLDER2", "[0-9]+:[0-9]{2}:[0-9]{2}");
  pattern.replace("PLACEHOLDER3", "[0-9]+").replace("PLACEHOLDER4", "[0-9]+\\.[0-9]");
  // The figures are the first line; the event counts follow.
  const QRegularExpression figures("^" + pattern + "$", QRegularExpression::MultilineOption);
  QWidget* viewport = dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).viewport();
  for (int row = 0; row < 2; ++row) {
    const QPoint at = dlg()
                          .ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST)
                          .visualItemRect(dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).item(row, 2))
                          .center();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &help);
    ASSERT_TRUE(WaitFor([] { return QToolTip::isVisible(); }, 3000)) << "row " << row;
    const QRegularExpressionMatch match = figures.match(QToolTip::text());
    ASSERT_TRUE(match.hasMatch()) << QToolTip::text().toStdString();
    EXPECT_GT(match.captured(1).toDouble(), 0.0) << "the card's drives move";
    QToolTip::hideText();
  }
}
