#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "settings/CSettings.h"
#include "settings/Languages.h"

namespace {

constexpr uint16_t kPrimaryJapanese = 0x11;
const QString kTranslatorName = QStringLiteral("TrkQtTranslations");

}  // namespace

void ApplyQtTranslations() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  // One translator for the whole run, owned by the application object.
  auto* translator = app->findChild<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly);
  if (translator == nullptr) {
    translator = new QTranslator(app);
    translator->setObjectName(kTranslatorName);
  }
  QCoreApplication::removeTranslator(translator);
  const uint16_t primary = CSettings::Instance().LangId() & 0x3FFu;
  if (primary != kPrimaryJapanese) return;
  if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
}
