#pragma once
// The menu of the title area: About and the configuration dialog, labelled
// from the text table in the language in force.
#include <cstdint>

class QAction;
class QMenu;

// The entries, by the id of the text they show.
enum class TitleMenuEntry : uint32_t { About = 211, Config = 212 };

// Appends a separator, the About entry and the configuration entry.
void FillTitleMenu(QMenu& menu);
// The entry of a filled menu (never null).
QAction* TitleMenuAction(const QMenu& menu, TitleMenuEntry entry);
// Loads the entries' texts again (after a language change).
void RelabelTitleMenu(QMenu& menu);
