#include "app/WindowPrompts.h"

#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

#include "dialogs/CFolderDialog.h"
#include "library/LibraryViews.h"

WindowPrompts::WindowPrompts(QWidget& window, CopyFeedback& board, std::function<bool()> closed)
    : m_window(window), m_board(board), m_closed(std::move(closed)) {}

std::optional<QString> WindowPrompts::AskFolder(const QString& title, const QString& start) {
  CFolderDialog picker(&m_window, title, start);
  if (picker.DoModal() != CFolderDialog::kOk) return std::nullopt;
  return picker.FolderPath();
}

QMessageBox::StandardButton WindowPrompts::Ask(const QString& text, const QString& caption,
                                               QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  return TrkMessageBox(&m_window, text, caption, buttons, icon);
}

QMessageBox::StandardButton WindowPrompts::Choose(const QString& text, const QString& caption, QMessageBox::Icon icon,
                                                  const std::vector<NamedButton>& buttons) {
  return TrkChoiceBox(&m_window, text, caption, icon, buttons);
}

int WindowPrompts::ChooseFromMenu(const QPoint& globalPos, const std::vector<MenuEntry>& entries) {
  QMenu menu(&m_window);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].separatorBefore) menu.addSeparator();
    QAction* action = menu.addAction(entries[i].text);
    action->setShortcut(entries[i].shortcut);
    action->setData(static_cast<int>(i));
  }
  const QAction* chosen = menu.exec(globalPos);
  return chosen ? chosen->data().toInt() : -1;
}

void WindowPrompts::ShowProgress(int percent, const QString& text) {
  m_board.ShowCopyProgress(percent, text.toStdString());
}

void WindowPrompts::HideProgress() { m_board.HideCopyProgress(); }

bool WindowPrompts::ShowInFileManager(const QString& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool WindowPrompts::WindowClosed() const { return m_closed && m_closed(); }
