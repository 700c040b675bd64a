#include "TrkMessageBox.h"

#include "Languages.h"

QString LoadQText(uint32_t id) { return QString::fromStdString(LoadText(id)); }

QMessageBox::StandardButton TrkMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  QMessageBox box(icon, caption, text, buttons, owner);
  // A caption-less box shows the program's name, as the platform's own does.
  if (caption.isEmpty()) box.setWindowTitle(QStringLiteral("TRK"));
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton TrkMessageBox(QWidget* owner, uint32_t textId, uint32_t captionId,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  return TrkMessageBox(owner, LoadQText(textId), captionId != 0 ? LoadQText(captionId) : QString(), buttons,
                       icon);
}
