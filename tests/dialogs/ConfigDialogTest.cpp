#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <utility>
#include <vector>

#include "CSettings.h"
#include "CTrcConfigDlg.h"
#include "PrivateMessages.h"
#include "ScopedSettingsDir.h"

namespace {

// Stands in for the main window: records the private messages it receives.
class MessageSink : public QWidget {
 public:
  std::vector<std::pair<int, qintptr>> received;

 protected:
  bool event(QEvent* event) override {
    if (const CPrivateEvent* message = AsPrivateEvent(event)) {
      received.emplace_back(message->Message(), message->WParam());
      return true;
    }
    return QWidget::event(event);
  }
};

using Messages = std::vector<std::pair<int, qintptr>>;

}  // namespace

TEST(ConfigDialog, LabelsAndListsFollowTheLanguageInForce) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("構成"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDOK)->text(), "OK");
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDCANCEL)->text(), QString::fromUtf8("キャンセル"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDC_APPLY_MAP)->text(), QString::fromUtf8("適用"));
  EXPECT_EQ(dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->text(), QString::fromUtf8("適用"));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_MAP)->title(), QString::fromUtf8("マップの選択"));
  EXPECT_EQ(dlg.Group(CTrcConfigDlg::IDC_GROUP_LANGUAGE)->title(), QString::fromUtf8("言語の選択"));
  ASSERT_EQ(dlg.m_comboLanguage->count(), 1);
  EXPECT_EQ(dlg.m_comboLanguage->itemText(0), QString::fromUtf8("日本語"));
  EXPECT_EQ(dlg.m_comboLanguage->currentIndex(), 0);
  ASSERT_EQ(dlg.m_comboMap->count(), 1);
  EXPECT_EQ(dlg.m_comboMap->itemText(0), "Google Map");
  EXPECT_TRUE(dlg.m_comboMap->isEditable());
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
  Messages whileOpen;
  QTimer::singleShot(0, &dlg, [&] {
    dlg.Button(CTrcConfigDlg::IDOK)->click();
    whileOpen = sink.received;
  });
  EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
  // Posted: nothing arrives before the window's event loop runs again.
  EXPECT_TRUE(whileOpen.empty());
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{WM_MAP_PROVIDER_CHANGED, 0}, {WM_LANGUAGE_CHANGED, 0}}));
  const QByteArray ini = dir.IniText();
  EXPECT_TRUE(ini.contains("MAP=0")) << ini.constData();
  EXPECT_TRUE(ini.contains("LANGID=JPN")) << ini.constData();
  EXPECT_EQ(dlg.m_mapSelection, 0);
  EXPECT_EQ(CSettings::Instance().MapProvider(), 0);
}

TEST(ConfigDialog, StoredChinaMapStillOpensOnGoogleAndApplyWritesZero) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  dir.WriteIni("[UI]\nMAP=1\n");
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  EXPECT_EQ(dlg.m_comboMap->currentIndex(), 0);
  EXPECT_EQ(dlg.m_comboMap->currentText(), "Google Map");
  dlg.show();
  dlg.Button(CTrcConfigDlg::IDC_APPLY_MAP)->click();
  QApplication::processEvents();
  // The map Apply reaches the main window while the dialog is still open.
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(sink.received, (Messages{{WM_MAP_PROVIDER_CHANGED, 0}}));
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
  QTimer::singleShot(0, &dlg, [&] {
    dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
    QApplication::processEvents();
    dlg.Button(CTrcConfigDlg::IDCANCEL)->click();
  });
  EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{WM_LANGUAGE_CHANGED, 0}}));
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
  dlg.m_comboLanguage->setEditText("Klingon");
  dlg.Button(CTrcConfigDlg::IDC_APPLY_LANGUAGE)->click();
  QApplication::processEvents();
  EXPECT_EQ(sink.received, (Messages{{WM_LANGUAGE_CHANGED, -1}}));
  EXPECT_FALSE(dir.IniExists());
  EXPECT_EQ(CSettings::Instance().LanguageIndex(), 0);
}

TEST(ConfigDialog, CancelWritesNothing) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  MessageSink sink;
  CTrcConfigDlg dlg(&sink);
  QTimer::singleShot(0, &dlg, [&] { dlg.Button(CTrcConfigDlg::IDCANCEL)->click(); });
  EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
  QApplication::processEvents();
  EXPECT_TRUE(sink.received.empty());
  EXPECT_FALSE(dir.IniExists());
}
