#pragma once
// The about box: page 192 in an embedded browser, 500 x 230, titled with text
// 101. The page reaches the dialog as window.external: GetVersionNum and the
// clicks on its OK (and Cancel) elements. Right-clicks never reach the page.
#include <QDialog>
#include <QObject>

class QWebChannel;
class QWebEngineView;
class CHtmlAboutDialog;

// What the page's scripts see of the dialog.
class CAboutScriptBridge : public QObject {
  Q_OBJECT

 public:
  explicit CAboutScriptBridge(CHtmlAboutDialog* dialog);
  Q_INVOKABLE int GetVersionNum(int index) const;
  Q_INVOKABLE void OnButtonOK();
  Q_INVOKABLE void OnButtonCancel();

 private:
  CHtmlAboutDialog* m_dialog;
};

class CHtmlAboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CHtmlAboutDialog(QWidget* parent = nullptr);
  ~CHtmlAboutDialog() override;

  int DoModal() { return exec(); }

  // Version 1.0.4 by part: 0 -> 1, 2 -> 4, any other index -> 0.
  static int GetVersionNum(int index);

  QWebEngineView* View() const { return m_view; }
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 230;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnInitDialog();
  void WatchForRightClicks(QObject* object);

  QWebEngineView* m_view = nullptr;
  QWebChannel* m_channel = nullptr;
  CAboutScriptBridge* m_bridge = nullptr;
};
