#pragma once
// What the commands ask the user and show while they work: folder pickers,
// message boxes, a menu, the progress board and the file manager. The window
// answers with its own dialogs (WindowPrompts); a test answers by a script.
#include <QKeySequence>
#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/TrkMessageBox.h"

class CommandPrompts {
 public:
  virtual ~CommandPrompts() = default;

  // The folder picker titled `title`, opened at `start`; none: cancelled.
  virtual std::optional<QString> AskFolder(const QString& title, const QString& start) = 0;
  // A message box; the button chosen.
  virtual QMessageBox::StandardButton Ask(const QString& text, const QString& caption,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) = 0;
  // A box whose buttons carry texts of their own; the button chosen.
  virtual QMessageBox::StandardButton Choose(const QString& text, const QString& caption, QMessageBox::Icon icon,
                                             const std::vector<NamedButton>& buttons) = 0;
  struct MenuEntry {
    QString text;
    QKeySequence shortcut;  // shown beside the text only
    bool separatorBefore = false;
  };
  // A menu at `globalPos`; the index of the entry chosen, -1 for none.
  virtual int ChooseFromMenu(const QPoint& globalPos, const std::vector<MenuEntry>& entries) = 0;
  // The progress board, repainted at once.
  virtual void ShowProgress(int percent, const QString& text) = 0;
  virtual void HideProgress() = 0;
  // False when no file manager could be started.
  virtual bool ShowInFileManager(const QString& folder) = 0;
  // The window closed under a dialog: the command asks nothing more.
  virtual bool WindowClosed() const = 0;

  // A box given as text and caption ids (caption 0: the program's name).
  QMessageBox::StandardButton Ask(uint32_t textId, uint32_t captionId,
                                  QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                  QMessageBox::Icon icon = QMessageBox::NoIcon) {
    return Ask(LoadQText(textId), captionId != 0 ? LoadQText(captionId) : QString(), buttons, icon);
  }
};
