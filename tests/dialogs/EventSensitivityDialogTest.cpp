#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "settings/CSettings.h"
#include "dialogs/CTrcConfigDlg.h"
#include "settings/Languages.h"
#include "ScopedSettingsDir.h"

// The sensitivity list opens on the stored value, in the current language,
// and only OK stores a change.
TEST(ConfigDialog, EventSensitivityIsStoredByOkOnly) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  CSettings& settings = CSettings::Instance();
  WriteEventSensitivity(settings, EventSensitivity::Low);
  {
    CTrcConfigDlg dlg;
    QComboBox* combo = dlg.Combo(CTrcConfigDlg::IDC_COMBO_EVENT_SENSITIVITY);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->itemText(2).toStdString(), LoadText(355));
    combo->setCurrentIndex(2);
    dlg.Button(CTrcConfigDlg::IDCANCEL)->click();
  }
  EXPECT_EQ(ReadEventSensitivity(settings), EventSensitivity::Low);
  CTrcConfigDlg dlg;
  EventSensitivity applied = EventSensitivity::Low;
  QObject::connect(&dlg, &CTrcConfigDlg::EventSensitivityApplied, [&](EventSensitivity s) { applied = s; });
  dlg.Combo(CTrcConfigDlg::IDC_COMBO_EVENT_SENSITIVITY)->setCurrentIndex(2);
  dlg.Button(CTrcConfigDlg::IDOK)->click();
  EXPECT_EQ(ReadEventSensitivity(settings), EventSensitivity::High);
  EXPECT_EQ(applied, EventSensitivity::High);
  EXPECT_EQ(settings.ReadInt("UI", "EVENT_SENSITIVITY", -1), 2);
}
