#include <gtest/gtest.h>

#include "ControlId.h"
#include "PrivateMessages.h"
#include "TestSupport.h"

TEST(PrivateMessages, KeepTheirNumbersAndCarryWParam) {
  EXPECT_EQ(PrivateEventType(WM_PLAYER_ERROR), static_cast<QEvent::Type>(QEvent::User + 0xC01));
  EXPECT_EQ(PrivateEventType(WM_SEEK_REQUEST), static_cast<QEvent::Type>(QEvent::User + 0xC0D));
  // Qt's own registry must not hand these numbers to anybody else.
  RegisterPrivateEventTypes();
  for (int i = 0; i < 50; ++i) {
    const int type = QEvent::registerEventType();
    EXPECT_TRUE(type < QEvent::User + 0xC01 || type > QEvent::User + 0xC0D) << type;
  }

  PatternParent window;
  EXPECT_TRUE(SendPrivateMessage(&window, WM_PLAY_FILE, -1, 0));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].message, 0xC0A);
  EXPECT_EQ(window.messages[0].wParam, -1);

  // Posted messages arrive only through the event loop, in order.
  PostPrivateMessage(&window, WM_PLAYER_TIME, 0x7FFFFFFF, 0);
  PostPrivateMessage(&window, WM_PLAYER_STATE, 3, 0);
  EXPECT_EQ(window.messages.size(), 1u);
  QCoreApplication::processEvents();
  ASSERT_EQ(window.messages.size(), 3u);
  EXPECT_EQ(window.messages[1].message, WM_PLAYER_TIME);
  EXPECT_EQ(window.messages[1].wParam, 0x7FFFFFFF);
  EXPECT_EQ(window.messages[2].message, WM_PLAYER_STATE);

  // Ordinary events are no private messages.
  QEvent other(QEvent::User);
  EXPECT_EQ(AsPrivateEvent(&other), nullptr);
  EXPECT_FALSE(SendPrivateMessage(nullptr, WM_PLAY_FILE, 1));
}

TEST(ControlIds, FindChildrenByNumber) {
  QWidget window;
  QWidget first(&window);
  QWidget second(&window);
  SetControlId(&first, 1015);
  SetControlId(&second, 57670);
  EXPECT_EQ(ControlIdOf(&second), 57670);
  EXPECT_EQ(FindControl(&window, 1015), &first);
  EXPECT_EQ(FindControl(&window, 57670), &second);
  EXPECT_EQ(FindControl(&window, 4), nullptr);
  EXPECT_EQ(ControlIdOf(&window), 0);
}

#include "CMonitor.h"

TEST(Monitor, MostOverlapElseNearest) {
  const QList<QRect> monitors = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  EXPECT_EQ(CMonitor::Nearest(QRect(100, 100, 800, 560), monitors), 0);
  EXPECT_EQ(CMonitor::Nearest(QRect(1600, 100, 800, 560), monitors), 1);  // 480 columns against 320
  EXPECT_EQ(CMonitor::Nearest(QRect(1400, 100, 800, 560), monitors), 0);
  EXPECT_EQ(CMonitor::Nearest(QRect(4000, 300, 800, 560), monitors), 1);  // off every monitor
  EXPECT_EQ(CMonitor::Nearest(QRect(-3000, 300, 800, 560), monitors), 0);
  EXPECT_EQ(CMonitor::Nearest(QRect(0, 0, 10, 10), {}), -1);

  QWidget window;
  window.resize(300, 200);
  const CMonitor monitor(&window);
  ASSERT_NE(monitor.m_monitor, nullptr);
  EXPECT_FALSE(monitor.Rect().isEmpty());
}
