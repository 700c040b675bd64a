#include "map/CHtmlMapDlg.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QTimer>
#include <QUrlQuery>
#include <QWindow>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <cmath>
#include <functional>

#include "map/ScriptText.h"

namespace {

// Joined calls beyond this size run at once rather than growing further.
constexpr std::size_t kMaxJoinedScript = 8u * 1024u * 1024u;

// The page's one message to the program (a click on the recording's line).
constexpr QLatin1StringView kRoutePointMessage("trk-route-point ");

// The page shows no console output and no dialogs; its console carries the
// route clicks to the host.
class SilentMapPage : public QWebEnginePage {
 public:
  SilentMapPage(QObject* parent, std::function<void(int)> routePoint)
      : QWebEnginePage(parent), m_routePoint(std::move(routePoint)) {}

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int,
                                const QString&) override {
    if (level != InfoMessageLevel || !message.startsWith(kRoutePointMessage)) return;
    bool ok = false;
    const int index = message.mid(kRoutePointMessage.size()).toInt(&ok);
    if (ok && index >= 0) m_routePoint(index);
  }
  void javaScriptAlert(const QUrl&, const QString&) override {}
  bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
  bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }

 private:
  std::function<void(int)> m_routePoint;
};

// The marker is the relative URL "190" of page 143, that is :/html/190. The
// program's picture 190 lives at :/png/190.png; when it is there the marker
// request is sent to it, otherwise the stand-in carried with the pages serves.
class MarkerRedirect : public QWebEngineUrlRequestInterceptor {
 public:
  explicit MarkerRedirect(QObject* parent)
      : QWebEngineUrlRequestInterceptor(parent), m_havePicture(QFile::exists(QStringLiteral(":/png/190.png"))) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!m_havePicture) return;
    const QUrl url = info.requestUrl();
    if (url.scheme() == QLatin1String("qrc") && url.path() == QLatin1String("/html/190"))
      info.redirect(QUrl(QStringLiteral("qrc:/png/190.png")));
  }

 private:
  bool m_havePicture;
};

}  // namespace

CHtmlMapDlg::CHtmlMapDlg(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setContextMenuPolicy(Qt::PreventContextMenu);

  m_webWindow = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
  m_webWindow->setContextMenuPolicy(Qt::PreventContextMenu);
  auto* webLayout = new QVBoxLayout(m_webWindow.get());
  webLayout->setContentsMargins(0, 0, 0, 0);
  webLayout->setSpacing(0);
  m_view = new QWebEngineView(m_webWindow.get());
  m_view->setContextMenuPolicy(Qt::PreventContextMenu);
  auto* page = new SilentMapPage(m_view, [this](int index) { emit RoutePointClicked(index); });
  page->setUrlRequestInterceptor(new MarkerRedirect(this));  // outlives the page
  QWebEngineSettings* settings = page->settings();
  // The page comes from the resources but its tiles and map API come from the net.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
  m_view->setPage(page);
  webLayout->addWidget(m_view);
  // The web view composes with OpenGL where there is OpenGL; a hidden OpenGL
  // widget makes the window an OpenGL one from its creation, so that it is
  // not recreated (and lost to the container) when the page first shows.
  // Without OpenGL (a software renderer) the view paints as any widget.
  const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
  if (shared != nullptr && shared->isValid()) {
    auto* anchor = new QOpenGLWidget(m_webWindow.get());
    anchor->setGeometry(0, 0, 1, 1);
    anchor->hide();
  }
  // A widget window of no size is never mapped, even once its container has
  // given it one: start it at a size of its own.
  m_webWindow->resize(1, 1);
  // The platform window exists from here on and is embedded as it is.
  m_webWindow->winId();
  m_container = QWidget::createWindowContainer(m_webWindow->windowHandle(), this);
  m_container->setContextMenuPolicy(Qt::PreventContextMenu);
  FollowHost();

  connect(page, &QWebEnginePage::loadStarted, this, &CHtmlMapDlg::OnLoadStarted);
  connect(page, &QWebEnginePage::loadFinished, this, &CHtmlMapDlg::OnLoadFinished);
}

CHtmlMapDlg::~CHtmlMapDlg() {
  // The page must go before the view that shows it, the view's window before
  // the container that embeds it.
  QWebEnginePage* page = m_view ? m_view->page() : nullptr;
  if (page) {
    disconnect(page, nullptr, this, nullptr);
    m_view->setPage(nullptr);
    delete page;
  }
  m_webWindow.reset();
}

void CHtmlMapDlg::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  FollowHost();
}

void CHtmlMapDlg::showEvent(QShowEvent* event) {
  QFrame::showEvent(event);
  FollowHost();
}

void CHtmlMapDlg::FollowHost() {
  // Parked in a corner the host is one pixel: inside its frame nothing is
  // left, and a window given no size is unmapped and never mapped again
  // when its container grows back. The web view's window keeps a pixel at
  // least, and takes the host's size and shows at every change.
  const QRect inside = contentsRect();
  const QSize size = inside.size().expandedTo(QSize(1, 1));
  m_container->setGeometry(QRect(inside.topLeft(), size));
  QWindow* web = m_webWindow->windowHandle();
  if (web->size() != size) web->resize(size);
  if (isVisible() && !web->isVisible()) web->setVisible(true);
}

QWebEnginePage* CHtmlMapDlg::Page() const { return m_view->page(); }

bool CHtmlMapDlg::HostsWidget(const QWidget* widget) const {
  return widget != nullptr && m_webWindow != nullptr && widget->window() == m_webWindow.get();
}

bool CHtmlMapDlg::CreateInPlaceholder(QWidget* parent, QWidget* placeholder) {
  if (!parent) return false;
  if (!placeholder) placeholder = parent->findChild<QWidget*>(QStringLiteral("1004"));
  if (!placeholder || !parent->isAncestorOf(placeholder)) return false;
  QRect rect(placeholder->mapTo(parent, QPoint(0, 0)), placeholder->size());
  // The placeholder may belong to its owner as a member: it is only hidden.
  placeholder->hide();
  setParent(parent);
  setGeometry(rect.adjusted(2, 2, -2, -2));
  raise();
  show();
  return true;
}

QUrl CHtmlMapDlg::PageUrl(int resourceId) {
  QUrl url(QStringLiteral("qrc:/html/%1.html").arg(resourceId));
  if (resourceId == 143) {
    const QString key = qEnvironmentVariable("TRK_GOOGLE_MAPS_KEY").trimmed();
    if (!key.isEmpty()) {
      QUrlQuery query;
      query.addQueryItem(QStringLiteral("key"), key);
      url.setQuery(query);
    }
  }
  return url;
}

void CHtmlMapDlg::LoadFromResource(int resourceId) {
  m_pageLoaded = false;
  m_pending.Clear();
  m_view->page()->load(PageUrl(resourceId));
}

void CHtmlMapDlg::OnLoadStarted() {
  m_pageLoaded = false;
  m_pending.Clear();
}

void CHtmlMapDlg::OnLoadFinished(bool ok) {
  m_pageLoaded = ok;
  emit PageLoaded(ok);
}

bool CHtmlMapDlg::RunScript(const std::string& code) {
  if (!m_pageLoaded) return true;
  m_pending.Add(code);
  if (m_pending.Size() >= kMaxJoinedScript)
    FlushScripts();
  else
    ScheduleFlush();
  return true;
}

void CHtmlMapDlg::ScheduleFlush() {
  if (m_flushScheduled) return;
  m_flushScheduled = true;
  QTimer::singleShot(0, this, [this] { FlushScripts(); });
}

void CHtmlMapDlg::FlushScripts() {
  m_flushScheduled = false;
  if (m_pending.Empty()) return;
  const std::string script = m_pending.Take();
  if (m_pageLoaded) m_view->page()->runJavaScript(QString::fromStdString(script));
}

double CHtmlMapDlg::ToDegrees(int32_t provider, double value) {
  if (provider != 0 && provider != 1) return value;
  const double degrees = std::trunc(value);
  return degrees + (value - degrees) * 100.0 / 60.0;
}

bool CHtmlMapDlg::MovePosition(int32_t /*heading*/, double latitude, double longitude) {
  return RunScript(MovPosCall(ToDegrees(m_mapProvider, latitude), ToDegrees(m_mapProvider, longitude)));
}

void CHtmlMapDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QFrame::mousePressEvent(event);
}

void CHtmlMapDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QFrame::mouseReleaseEvent(event);
}

void CHtmlMapDlg::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
