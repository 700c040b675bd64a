#include "app/TitleMenu.h"

#include <QAction>
#include <QMenu>

#include "app/TrkMessageBox.h"

void FillTitleMenu(QMenu& menu) {
  menu.addSeparator();
  for (const TitleMenuEntry entry : {TitleMenuEntry::About, TitleMenuEntry::Config}) {
    const auto textId = static_cast<uint32_t>(entry);
    QAction* action = menu.addAction(LoadQText(textId));
    action->setData(textId);
  }
}

QAction* TitleMenuAction(const QMenu& menu, TitleMenuEntry entry) {
  for (QAction* action : menu.actions()) {
    if (action->data().toUInt() == static_cast<uint32_t>(entry)) return action;
  }
  Q_ASSERT(false);
  return nullptr;
}

void RelabelTitleMenu(QMenu& menu) {
  for (QAction* action : menu.actions()) {
    bool isEntry = false;
    const uint32_t textId = action->data().toUInt(&isEntry);
    if (isEntry && textId != 0) action->setText(LoadQText(textId));
  }
}
