#pragma once
// The window's answers to what the commands ask: its folder picker, its
// message boxes and menus owned by the window, its progress board, and the
// desktop's file manager.
#include <functional>

#include "app/CommandPrompts.h"

class CopyFeedback;
class QWidget;

class WindowPrompts : public CommandPrompts {
 public:
  // `board` shows the progress; `closed` says the window has closed.
  WindowPrompts(QWidget& window, CopyFeedback& board, std::function<bool()> closed);

  std::optional<QString> AskFolder(const QString& title, const QString& start) override;
  using CommandPrompts::Ask;
  QMessageBox::StandardButton Ask(const QString& text, const QString& caption, QMessageBox::StandardButtons buttons,
                                  QMessageBox::Icon icon) override;
  QMessageBox::StandardButton Choose(const QString& text, const QString& caption, QMessageBox::Icon icon,
                                     const std::vector<NamedButton>& buttons) override;
  int ChooseFromMenu(const QPoint& globalPos, const std::vector<MenuEntry>& entries) override;
  void ShowProgress(int percent, const QString& text) override;
  void HideProgress() override;
  bool ShowInFileManager(const QString& folder) override;
  bool WindowClosed() const override;

 private:
  QWidget& m_window;
  CopyFeedback& m_board;
  std::function<bool()> m_closed;
};
