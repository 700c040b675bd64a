#pragma once
// The main window's frame, which the platform does not draw for it: the
// window moved by its background, resized by its grip, its panel gaps dragged,
// its shape, the S, M and L sizes, covering the monitor, minimising and full
// screen. It watches the window's own mouse, size and state events through an
// event filter, so that the window only paints and lays out its controls.
//   WindowFrame.cpp            the filter, sizes, covering, minimising, shape
//   WindowFrameMouse.cpp       moves, grip and gap drags, cursor, double-click
//   WindowFrameFullScreen.cpp  full-screen mode
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <optional>

#include "app/MainLayout.h"

class CTRKDlg;
class QMouseEvent;

// Window position and size saved before covering the monitor or full screen.
struct SavedWindowRect {
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class WindowFrame : public QObject {
  Q_OBJECT

 public:
  explicit WindowFrame(CTRKDlg& window);
  ~WindowFrame() override;
  WindowFrame(const WindowFrame&) = delete;
  WindowFrame& operator=(const WindowFrame&) = delete;

  // S, M or L on the monitor the window is on.
  void SetWindowSize(WindowSizeCommand command);
  // Covers the monitor, or gives the window back its place from before.
  void OnBnClickedMaximize();
  void OnBnClickedMinimize();
  // Enters or leaves full-screen mode (only with recordings in the library).
  void OnToggleFullScreen();
  // Shows every control of the normal layout, or hides them for full screen.
  void ShowControls(bool show);
  // Lays the controls out again for the client size (a panel came or went).
  void Relayout();
  // The window's rectangle into the settings, for the next start.
  void WriteWindowRect() const;
  // Rectangle of the monitor nearest to the window (the whole monitor, not
  // its work area).
  QRect MonitorRect() const;

  // The panel sizes the user dragged the gaps to; the layout clamps them.
  const PanelWishes& Wishes() const { return m_wishes; }
  // The layout just applied for a client of `size`: its gaps take the drags.
  void KeepLayout(LayoutResult layout, QSize size);
  const std::optional<LayoutResult>& LastLayout() const { return m_lastLayout; }

  bool IsFullScreen() const { return m_fullScreen; }
  bool IsMaximized() const { return m_maximized; }
  // The client area's size as the last size event gave it.
  QSize ClientSize() const { return m_clientSize; }
  // The video is to be shown again after the window comes back from minimized.
  bool IsVideoRestorePending() const { return m_restoreVideoPending; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A press on the background moves the window once the pointer travels:
  // by the platform, or by hand where the platform cannot.
  enum class MoveState { None, Pending, Manual };

  void OnPress(const QMouseEvent& event);
  void OnMove(const QMouseEvent& event);
  void OnRelease(const QMouseEvent& event);
  void OnDoubleClick(const QMouseEvent& event);
  void OnResize();
  void MoveWindowBy(const QPoint& globalPos);
  void UpdateHoverCursor(const QPoint& p);
  BackgroundHit HitTest(const QPoint& p) const;
  void ApplyWindowShape();
  void RepaintMapHost();
  void ShowVideoAfterRestore();
  void RememberPlace();
  void ReturnToSavedPlace();

  CTRKDlg& m_window;
  QSize m_clientSize{0, 0};
  bool m_maximized = false;
  bool m_fullScreen = false;
  bool m_restoreVideoPending = false;
  SavedWindowRect m_savedRect;
  // Panel gaps (wishes clamped by every layout, not saved).
  PanelWishes m_wishes;
  BackgroundHit m_drag = BackgroundHit::None;
  std::optional<LayoutResult> m_lastLayout;
  QSize m_lastLayoutSize;
  MoveState m_move = MoveState::None;
  QPoint m_movePressGlobal;
  QPoint m_moveStartPos;
  bool m_forwardingDoubleClick = false;
};
