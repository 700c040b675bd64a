#pragma once
// The menu of the title area: About and the configuration dialog, labelled
// from the text table in the language in force.
#include <functional>

class QMenu;

// Appends a separator, the About entry and the configuration entry; each
// runs its command with the entry's command id (IDM_ABOUTBOX, IDM_CONFIG).
void FillTitleMenu(QMenu& menu, const std::function<void(int)>& command);
// Loads the entries' texts again (after a language change).
void RelabelTitleMenu(QMenu& menu);
