#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QPainter>

#include "controls/CGdipButton.h"
#include "controls/CTrcToolTipCtrl.h"
#include "controls/ControlId.h"
#include "settings/Languages.h"
#include "TestSupport.h"

TEST(ToolTip, ToolsAndEntriesDecideWhatShows) {
  PatternParent window;
  window.resize(200, 100);
  QWidget first(&window);
  QWidget second(&window);
  SetControlId(&first, 1015);
  SetControlId(&second, 1016);
  CTrcToolTipCtrl tip(&window);
  tip.Activate(true);

  tip.RegisterTool(&first);
  tip.RegisterTool(&second, QStringLiteral("Stop"));
  tip.RegisterTool(&first);
  EXPECT_EQ(tip.ToolCount(), 3);
  tip.UnregisterTool(&first);  // the first occurrence only
  EXPECT_EQ(tip.ToolCount(), 2);

  // No entry and no text: nothing to show.
  EXPECT_FALSE(tip.OnShowTip(&first));
  EXPECT_EQ(tip.m_shownControlId, 1015);
  tip.m_tipEntries.push_back({1015, 110, 0});
  EXPECT_TRUE(tip.OnShowTip(&first));
  EXPECT_EQ(tip.Description(), QString::fromStdString(LoadText(110)));
  EXPECT_TRUE(tip.OnShowTip(&second));
  EXPECT_EQ(tip.Text(), QStringLiteral("Stop"));
  EXPECT_TRUE(tip.Description().isEmpty());

  QImage canvas(32, 32, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  EXPECT_FALSE(tip.OnDrawIcon(painter, QRect(0, 0, 32, 32)));
  tip.m_tipEntries.push_back({1016, 0, 158});
  EXPECT_TRUE(tip.OnDrawIcon(painter, QRect(0, 0, 32, 32)));
  painter.end();
  EXPECT_EQ(tip.GetIconSize(), QSize(32, 32));

  window.show();
  tip.m_tipEntries.back().stringId = 185;
  tip.Popup(&second);
  EXPECT_TRUE(tip.isVisible());
  EXPECT_EQ(tip.Description(), QString::fromStdString(LoadText(185)));
  SaveArtifact(tip.grab().toImage(), QStringLiteral("tooltip.png"));

  tip.ResetTools();
  EXPECT_EQ(tip.ToolCount(), 0);
  // Unregistered tools no longer raise the tip.
  QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), first.mapToGlobal(QPoint(2, 2)));
  QCoreApplication::sendEvent(&first, &help);
  EXPECT_FALSE(tip.isVisible());
}

TEST(ToolTip, ButtonWithoutTipTextCreatesNoTip) {
  PatternParent window;
  window.resize(100, 100);
  CGdipButton button(&window, 1016);
  button.setGeometry(10, 10, 40, 40);
  button.SetImage(133);
  window.show();
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(&button, &enter);
  Pump(20);
  EXPECT_TRUE(button.IsPointerOver());
  EXPECT_EQ(button.Tip(), nullptr);

  button.SetTipText(QStringLiteral("Stop"), true);
  ASSERT_NE(button.Tip(), nullptr);
  EXPECT_EQ(button.Tip()->ToolCount(), 1);
  EXPECT_EQ(button.Tip()->DelayTime(), 2000);
  button.SetTipText(QStringLiteral("Stop!"), false);
  EXPECT_EQ(button.Tip()->ToolCount(), 1);
  EXPECT_FALSE(button.Tip()->IsActive());
}
