#pragma once
// The map panel: a web view showing map page 143 from the program's
// resources, driven only by script calls. Calls before the page has loaded
// are dropped; calls after it run in order. Consecutive calls are joined and
// run as one script (ScriptBatch) at the next turn of the event loop or at
// FlushScripts; a failing call never stops the ones after it.
//
// The web view is composed with OpenGL. Inside the main window it would make
// Qt compose the whole window that way at every repaint of any control; so it
// lives in a top-level widget of its own whose platform window is embedded
// here as a native child, and the main window keeps plain raster painting.
#include <QFrame>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <memory>
#include <string>

#include "map/MapView.h"
#include "map/ScriptBatch.h"

class QWebEnginePage;
class QWebEngineView;

class CHtmlMapDlg : public QFrame, public IMapView {
  Q_OBJECT

 public:
  explicit CHtmlMapDlg(QWidget* parent = nullptr);
  ~CHtmlMapDlg() override;

  // Takes the place of `placeholder` (or of the parent's child named "1004"),
  // 2 pixels inside its rectangle, and hides it. False when there is none.
  bool CreateInPlaceholder(QWidget* parent, QWidget* placeholder = nullptr);

  // Loads page `resourceId` (":/html/<id>.html") afresh, even when it is
  // already shown: marker and lines go back to the page's initial state.
  // Page 143 uses the Google back end when TRK_GOOGLE_MAPS_KEY is set.
  void LoadFromResource(int resourceId);

  // IMapView. Both always answer true; before the page has loaded they do nothing.
  bool RunScript(const std::string& code) override;
  // dd.mmmm -> degrees, then "movpos(%f, %f)"; the heading is not sent.
  bool MovePosition(int32_t heading, double latitude, double longitude) override;

  // Runs the joined calls now (they would otherwise run at the next event-loop turn).
  void FlushScripts();
  bool IsPageLoaded() const { return m_pageLoaded; }
  QWebEnginePage* Page() const;
  QWebEngineView* View() const { return m_view; }
  // True for the web view and its parts: they live in a window of their own
  // (embedded here), so their window() is not the one that shows them.
  bool HostsWidget(const QWidget* widget) const;

  // The position conversion of the given provider (public for tests).
  static double ToDegrees(int32_t provider, double value);
  // qrc URL of a page; for page 143 with the Google key when one is configured.
  static QUrl PageUrl(int resourceId);

  // Map provider copied in by the main window (0 Google map, 1 China map).
  int32_t MapProvider() const { return m_mapProvider; }
  void SetMapProvider(int32_t provider) { m_mapProvider = provider; }

 signals:
  // The page has finished loading (ok) or failed; after ok, calls take effect.
  void PageLoaded(bool ok);
  // A click on the recording's line: the index of its nearest point (in the
  // order of the "path_plot" calls).
  void RoutePointClicked(int index);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Places the web view's window over the inside of the frame.
  void FollowHost();
  void OnLoadStarted();
  void OnLoadFinished(bool ok);
  void ScheduleFlush();

  int32_t m_mapProvider = 0;
  // The web view's own window, embedded by m_container (which does not own
  // it: the window goes with this widget, before the container).
  std::unique_ptr<QWidget> m_webWindow;
  QWidget* m_container = nullptr;    // child widget, owned by this frame
  QWebEngineView* m_view = nullptr;  // child of m_webWindow
  bool m_pageLoaded = false;
  bool m_flushScheduled = false;
  ScriptBatch m_pending;  // calls not yet run
};
