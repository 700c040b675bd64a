#pragma once
// Answers the modal dialogs that the window's commands open (folder pickers
// and message boxes), in the order a script gives, and remembers what each
// one said. A dialog that the script does not expect is recorded and closed,
// so a wrong turn fails the test instead of hanging it.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

#include "dialogs/CFolderDialog.h"

namespace e2e {

class ModalAnswers {
 public:
  struct Seen {
    bool picker = false;  // a folder picker, else a message box
    QString text;         // the box's text, the picker's title
    QString title;
  };

  ModalAnswers() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start(25);
  }

  // The next picker takes `folder` (empty: Cancel). `afterAccept` runs once
  // the picker has taken the folder, before the command goes on.
  void Folder(const QString& folder, std::function<void()> afterAccept = {}) {
    m_script.push_back({true, folder, QMessageBox::NoButton, {}, std::move(afterAccept), {}});
  }
  // The next dialog of another kind is answered by `answer` (which closes it).
  void Dialog(std::function<void(QDialog*)> answer) {
    m_script.push_back({false, QString(), QMessageBox::NoButton, {}, {}, std::move(answer)});
  }
  // The next message box is answered with `button`; `whileShown` runs first.
  void Box(QMessageBox::StandardButton button, std::function<void()> whileShown = {}) {
    m_script.push_back({false, QString(), button, std::move(whileShown), {}, {}});
  }

  const std::vector<Seen>& seen() const { return m_seen; }
  const std::vector<Seen>& unexpected() const { return m_unexpected; }
  bool AllAnswered() const { return m_script.empty(); }
  void Clear() {
    m_seen.clear();
    m_unexpected.clear();
    m_script.clear();
  }

 private:
  struct Step {
    bool picker;
    QString folder;
    QMessageBox::StandardButton button;
    std::function<void()> whileShown;
    std::function<void()> afterAccept;
    std::function<void(QDialog*)> dialog;
  };

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    auto* picker = qobject_cast<CFolderDialog*>(modal);
    auto* box = qobject_cast<QMessageBox*>(modal);
    // Other dialogs are left to the test unless the script expects one.
    const bool dialogNext = !m_script.empty() && m_script.front().dialog;
    auto* other = picker || box || !dialogNext ? nullptr : qobject_cast<QDialog*>(modal);
    if (picker == nullptr && box == nullptr && other == nullptr) return;
    Seen seen{picker != nullptr, box ? box->text() : modal->windowTitle(), modal->windowTitle()};
    if (m_script.empty() || m_script.front().picker != (picker != nullptr) || dialogNext != (other != nullptr)) {
      m_unexpected.push_back(seen);
      if (box)
        box->done(QMessageBox::Cancel);
      else
        picker->reject();
      return;
    }
    Step step = std::move(m_script.front());
    m_script.pop_front();
    m_seen.push_back(seen);
    if (other) {
      step.dialog(other);
      return;
    }
    if (picker) {
      if (step.folder.isEmpty()) {
        picker->reject();
        return;
      }
      picker->PathEdit()->setText(step.folder);
      picker->accept();
      if (step.afterAccept) step.afterAccept();
      return;
    }
    if (step.whileShown) step.whileShown();
    if (QAbstractButton* button = box->button(step.button))
      button->click();
    else
      box->done(step.button);
  }

  QTimer m_timer;
  std::deque<Step> m_script;
  std::vector<Seen> m_seen;
  std::vector<Seen> m_unexpected;
};

}  // namespace e2e
