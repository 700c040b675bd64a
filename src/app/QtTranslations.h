#pragma once
// Qt's own texts (the buttons, labels and menus of its dialogs: the
// snapshot's save dialog, the message boxes' buttons) in the interface
// language, from the translations installed with Qt (Debian:
// qt6-translations-l10n). Without them Qt's texts stay English.

// Installs the translation of the language in force, replacing the one
// installed before; English needs none. Qt's widgets retranslate themselves.
void ApplyQtTranslations();
