#include "dialogs/CHtmlAboutDialog.h"

#include <QChildEvent>
#include <QFile>
#include <QIcon>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "settings/Languages.h"

// The page lives in a static library; naming its resource keeps it linked.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static void InitAboutResources() { Q_INIT_RESOURCE(about); }

namespace {

constexpr char kAboutPage[] = "qrc:/html/192.html";

QIcon ProgramIcon() {
  for (const char* path : {":/icon/128.png", ":/png/128.png", ":/png/200.png"}) {
    if (QFile::exists(QString::fromLatin1(path))) return QIcon(QString::fromLatin1(path));
  }
  return QIcon();
}

}  // namespace

CAboutScriptBridge::CAboutScriptBridge(CHtmlAboutDialog* dialog) : QObject(dialog), m_dialog(dialog) {}

int CAboutScriptBridge::GetVersionNum(int index) const { return CHtmlAboutDialog::GetVersionNum(index); }

void CAboutScriptBridge::OnButtonOK() { m_dialog->accept(); }

void CAboutScriptBridge::OnButtonCancel() { m_dialog->reject(); }

CHtmlAboutDialog::CHtmlAboutDialog(QWidget* parent) : QDialog(parent) {
  InitAboutResources();
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  m_view = new QWebEngineView(this);
  m_view->setContextMenuPolicy(Qt::NoContextMenu);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_view);
  m_bridge = new CAboutScriptBridge(this);
  m_channel = new QWebChannel(this);
  WatchForRightClicks(m_view);
  OnInitDialog();
}

CHtmlAboutDialog::~CHtmlAboutDialog() = default;

int CHtmlAboutDialog::GetVersionNum(int index) {
  switch (index) {
    case 0:
      return 1;
    case 2:
      return 4;
    default:
      return 0;
  }
}

void CHtmlAboutDialog::OnInitDialog() {
  // Page first, then the page's external object, icon, size and title.
  m_channel->registerObject(QStringLiteral("external"), m_bridge);
  m_view->page()->setWebChannel(m_channel);
  m_view->setUrl(QUrl(QString::fromLatin1(kAboutPage)));
  setWindowIcon(ProgramIcon());
  resize(kWidth, kHeight);
  setWindowTitle(QString::fromStdString(LoadText(101)));
}

void CHtmlAboutDialog::WatchForRightClicks(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children()) {
    if (child->isWidgetType()) WatchForRightClicks(child);
  }
}

bool CHtmlAboutDialog::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded: {
      // The browser creates the widget that takes the input after the page
      // starts loading; watch it too.
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child != nullptr && child->isWidgetType()) WatchForRightClicks(child);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
      break;
    case QEvent::ContextMenu:
      return true;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}
