#include "app/TrkMessageBox.h"

#include <QAbstractButton>
#include <QFile>
#include <QPushButton>

#include "settings/Languages.h"

namespace {

// A program driven from outside (the end-to-end tests) cannot read a message
// box's text from the screen. When TRK_MESSAGE_LOG names a file, every box
// appends one line to it as it opens: the caption, a tab, then the text with
// its line breaks written as "\n".
void LogMessageBox(const QString& caption, const QString& text) {
  const QString path = qEnvironmentVariable("TRK_MESSAGE_LOG");
  if (path.isEmpty()) return;
  QFile log(path);
  if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  QString line = caption + QLatin1Char('\t') + text;
  line.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  log.write(line.toUtf8() + '\n');
}

}  // namespace

QString LoadQText(uint32_t id) { return QString::fromStdString(LoadText(id)); }

QMessageBox::StandardButton TrkMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  QMessageBox box(icon, caption, text, buttons, owner);
  // A caption-less box shows the program's name, as the platform's own does.
  if (caption.isEmpty()) box.setWindowTitle(QStringLiteral("TRK"));
  // The buttons speak the interface language too.
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(LoadQText(107));
  if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) cancel->setText(LoadQText(108));
  LogMessageBox(box.windowTitle(), text);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton TrkChoiceBox(QWidget* owner, const QString& text, const QString& caption,
                                         QMessageBox::Icon icon, const std::vector<NamedButton>& buttons) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, owner);
  for (const NamedButton& named : buttons) box.addButton(named.button)->setText(named.text);
  LogMessageBox(box.windowTitle(), text);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton TrkMessageBox(QWidget* owner, uint32_t textId, uint32_t captionId,
                                          QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  return TrkMessageBox(owner, LoadQText(textId), captionId != 0 ? LoadQText(captionId) : QString(), buttons, icon);
}
