#include "app/TitleMenu.h"

#include <QAction>
#include <QMenu>

#include "app/TrkControlIds.h"
#include "app/TrkMessageBox.h"

namespace {

struct TitleMenuEntry {
  int command;
  uint32_t textId;
};

constexpr TitleMenuEntry kEntries[] = {
    {IDM_ABOUTBOX, 211},
    {IDM_CONFIG, 212},
};

}  // namespace

void FillTitleMenu(QMenu& menu, const std::function<void(int)>& command) {
  menu.addSeparator();
  for (const TitleMenuEntry& entry : kEntries) {
    QAction* action = menu.addAction(LoadQText(entry.textId));
    action->setData(entry.textId);
    const int id = entry.command;
    QObject::connect(action, &QAction::triggered, &menu, [command, id] { command(id); });
  }
}

void RelabelTitleMenu(QMenu& menu) {
  for (QAction* action : menu.actions()) {
    bool isEntry = false;
    const uint32_t textId = action->data().toUInt(&isEntry);
    if (isEntry && textId != 0) action->setText(LoadQText(textId));
  }
}
