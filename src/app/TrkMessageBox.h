#pragma once
// Message boxes given as text id / caption id pairs, loaded in the interface
// language at the moment they are shown.
#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <vector>

QString LoadQText(uint32_t id);

// Modal box owned by `owner`; returns the button the user chose.
QMessageBox::StandardButton TrkMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon);
QMessageBox::StandardButton TrkMessageBox(QWidget* owner, uint32_t textId, uint32_t captionId,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                          QMessageBox::Icon icon = QMessageBox::NoIcon);

// A box whose buttons carry texts of their own; answers the one chosen
// (Escape: the box's Cancel).
struct NamedButton {
  QMessageBox::StandardButton button;
  QString text;
};
QMessageBox::StandardButton TrkChoiceBox(QWidget* owner, const QString& text, const QString& caption,
                                         QMessageBox::Icon icon, const std::vector<NamedButton>& buttons);
