#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "../ScopedLocale.h"
#include "settings/CSettings.h"
#include "dialogs/CTrcConfigDlg.h"
#include "settings/Languages.h"
#include "ScopedSettingsDir.h"

namespace {

// Stands in for the main window: records what the dialog applied, queued as
// the window takes it (after the dialog's own handler has returned).
class MessageSink : public QWidget {
 public:
  std::vector<std::pair<std::string, int>> received;

  void Watch(CTrcConfigDlg& dlg) {
    connect(
        &dlg, &CTrcConfigDlg::MapProviderApplied, this, [this] { received.emplace_back("map", 0); },
        Qt::QueuedConnection);
    connect(
        &dlg, &CTrcConfigDlg::LanguageApplied, this,
        [this](int language) { received.emplace_back("language", language); }, Qt::QueuedConnection);
  }
};

using Messages = std::vector<std::pair<std::string, int>>;

QString Text(uint32_t id, uint16_t langId) { return QString::fromStdString(LoadTextForLanguage(id, langId)); }

}  // namespace

TEST(ConfigDialog, LabelsAndListsFollowTheLanguageInForce) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("構成"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDOK)->text(), "OK");
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDCANCEL)->text(), QString::fromUtf8("キャンセル"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDC_APPLY_MAP)->text(), QString::fromUtf8("適用"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->text(), QString::fromUtf8("適用"));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_MAP)->title(), QString::fromUtf8("マップの選択"));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_LANGUAGE)->title(), QString::fromUtf8("言語の選択"));
  // Both languages, each named in its own script.
  ASSERT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->count(), 2);
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->itemText(0), QString::fromUtf8("日本語"));
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->itemText(1), "English");
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->currentIndex(), 0);
  ASSERT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_MAP)->count(), 1);
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_MAP)->itemText(0), "Google Map");
  EXPECT_TRUE(dlg.Combo(CTrcConfigDlg::IDC_COMBO_MAP)->isEditable());
  // Dialog units of the template, 357 x 116.
  EXPECT_EQ(dlg.size(), QSize(535, 188));
  // Opening writes nothing.
  EXPECT_FALSE(dir.IniExists());
  QString artifacts = qEnvironmentVariable("TRK_ARTIFACT_DIR");
  if (!artifacts.isEmpty() && QDir().mkpath(artifacts)) dlg.grab().save(artifacts + "/config-dialog.png");
}

TEST(ConfigDialog, OkWritesBothChoicesAndPostsMapThenLanguage) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  Messages whileOpen;
  QTimer::singleShot(0, &dlg, [&] {
    dlg.Button(CTrcConfigDlg::IDOK)->click();
    whileOpen = sink.received;
  });
  EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
  // Posted: nothing arrives before the window's event loop runs again.
  EXPECT_TRUE(whileOpen.empty());
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{"map", 0}, {"language", 0}}));
  const QByteArray ini = dir.IniText();
  EXPECT_TRUE(ini.contains("MAP=0")) << ini.constData();
  EXPECT_TRUE(ini.contains("LANGID=JPN")) << ini.constData();
  EXPECT_EQ(dlg.MapSelection(), 0);
  EXPECT_EQ(CSettings::Instance().MapProvider(), 0);
}

TEST(ConfigDialog, StoredChinaMapStillOpensOnGoogleAndApplyWritesZero) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nMAP=1\n");
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_MAP)->currentIndex(), 0);
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_MAP)->currentText(), "Google Map");
  dlg.show();
  dlg.Button(CTrcConfigDlg::IDC_APPLY_MAP)->click();
  QApplication::processEvents();
  // The map Apply reaches the main window while the dialog is still open.
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(sink.received, (Messages{{"map", 0}}));
  EXPECT_TRUE(dir.IniText().contains("MAP=0")) << dir.IniText().constData();
  EXPECT_FALSE(dir.IniText().contains("LANGID"));
  dlg.reject();
}

TEST(ConfigDialog, LanguageApplyStoresAndCancelKeepsIt) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nLANGID=ENG\n");
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->currentIndex(), 1);
  EXPECT_EQ(dlg.windowTitle(), QString::fromStdString(LoadTextForLanguage(110, kLangIdEnglish)));
  QTimer::singleShot(0, &dlg, [&] {
    dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->setCurrentIndex(0);
    dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
    QApplication::processEvents();
    dlg.Button(CTrcConfigDlg::IDCANCEL)->click();
  });
  EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{"language", 0}}));
  const QByteArray ini = dir.IniText();
  EXPECT_TRUE(ini.contains("LANGID=JPN")) << ini.constData();
  EXPECT_FALSE(ini.contains("MAP="));
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("構成"));
}

TEST(ConfigDialog, TypedUnknownLanguageWritesNothingButStillPosts) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->setEditText("Klingon");
  dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{"language", -1}}));
  EXPECT_FALSE(dir.IniExists());
  EXPECT_EQ(CSettings::Instance().LanguageIndex(), 0);
}

TEST(ConfigDialog, CancelWritesNothing) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  QTimer::singleShot(0, &dlg, [&] { dlg.Button(CTrcConfigDlg::IDCANCEL)->click(); });
  EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
  QApplication::processEvents();
  EXPECT_TRUE(sink.received.empty());
  EXPECT_FALSE(dir.IniExists());
}

TEST(ConfigDialog, LanguageApplyRelabelsEveryLabelAtOnce) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  ScopedLocale locale({{"LANG", "ja_JP.UTF-8"}});
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  ASSERT_EQ(dlg.windowTitle(), Text(110, kLangIdJapanese));
  dlg.Combo(CTrcConfigDlg::IDC_COMBO_LANGUAGE)->setCurrentIndex(1);
  dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
  const uint16_t langId = kLangIdEnglish;
  EXPECT_EQ(dlg.windowTitle(), Text(110, langId));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDCANCEL)->text(), Text(108, langId));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDC_APPLY_SPEED_UNIT)->text(), Text(109, langId));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_LANGUAGE)->title(), Text(114, langId));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_SPEED_UNIT)->title(), Text(199, langId));
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->itemText(0), Text(213, langId));
  EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->itemText(1), Text(214, langId));
  EXPECT_TRUE(dir.IniText().contains("LANGID=ENG")) << dir.IniText().constData();
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{"language", 1}}));
}

TEST(ConfigDialog, SpeedUnitOpensOnTheLocalesAndApplyWritesIt) {
  struct Row {
    const char* lang;
    int shown;  // 0 km/h, 1 mph
  };
  for (const Row& row : {Row{"de_DE.UTF-8", 0}, Row{"en_US.UTF-8", 1}}) {
    ScopedSettingsDir dir;
    ASSERT_TRUE(dir.ok());
    ScopedLocale locale({{"LANG", row.lang}});
    MessageSink sink;
    CTrcConfigDlg dlg(&sink);
    sink.Watch(dlg);
    std::vector<SpeedUnit> applied;
    QObject::connect(&dlg, &CTrcConfigDlg::SpeedUnitApplied, [&](SpeedUnit unit) { applied.push_back(unit); });
    ASSERT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->count(), 2);
    EXPECT_EQ(dlg.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->currentIndex(), row.shown) << row.lang;
    EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_SPEED_UNIT)->title(), QString::fromStdString(LoadText(199)));
    EXPECT_FALSE(dir.IniExists());

    // The other unit, applied: written and announced at once, the dialog open.
    dlg.show();
    dlg.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->setCurrentIndex(1 - row.shown);
    dlg.Button(CTrcConfigDlg::IDC_APPLY_SPEED_UNIT)->click();
    const SpeedUnit chosen = row.shown == 0 ? SpeedUnit::Mph : SpeedUnit::Kph;
    EXPECT_EQ(applied, std::vector<SpeedUnit>{chosen});
    EXPECT_EQ(dir.IniText(), QByteArray("[UI]\nSPEED_UNIT=") + SpeedUnitCode(chosen) + "\n");
    EXPECT_TRUE(dlg.isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(sink.received.empty());

    // The next dialog opens on the stored unit; OK stores it with the rest.
    dlg.reject();
    CTrcConfigDlg again(&sink);
    EXPECT_EQ(again.Combo(CTrcConfigDlg::IDC_COMBO_SPEED_UNIT)->currentIndex(), 1 - row.shown);
    QTimer::singleShot(0, &again, [&] { again.Button(CTrcConfigDlg::IDOK)->click(); });
    EXPECT_EQ(again.DoModal(), QDialog::Accepted);
    EXPECT_TRUE(dir.IniText().contains(QByteArray("SPEED_UNIT=") + SpeedUnitCode(chosen))) << dir.IniText().constData();
  }
}

TEST(ConfigDialog, AChoiceTheFileCannotKeepIsSaidOnceInTheLanguageInForce) {
  ScopedSettingsDir dir;
  ScopedLocale locale({{"LANG", "ja_JP.UTF-8"}});
  QFile blocker(dir.path() + "/config");  // a file where the folders should be: root cannot write either
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  sink.Watch(dlg);
  QStringList said;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      said << box->text();
      box->accept();
    }
  });
  answer.start(10);
  for (int button :
       {CTrcConfigDlg::IDC_APPLY_MAP, CTrcConfigDlg::IDC_APPLY_SPEED_UNIT, CTrcConfigDlg::IDC_APPLY_LANGUAGE})
    dlg.Button(button)->click();
  EXPECT_EQ(said, QStringList{Text(310, kLangIdJapanese).replace("%s", dir.IniPath())});
}
