#pragma once
// The configuration dialog: map provider, interface language and speed unit,
// each with an Apply button that stores the choice at once and tells the
// parent window; OK applies all and closes; Cancel keeps what was applied
// before.
#include <QDialog>

#include "events/DrivingEvents.h"
#include "settings/SpeedUnit.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class CTrcConfigDlg : public QDialog {
  Q_OBJECT

 public:
  // Control ids of the dialog.
  enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDC_COMBO_MAP = 1038,
    IDC_APPLY_MAP = 1039,
    IDC_GROUP_MAP = 1040,
    IDC_GROUP_LANGUAGE = 1041,
    IDC_COMBO_LANGUAGE = 1042,
    IDC_APPLY_LANGUAGE = 1043,
    IDC_GROUP_SPEED_UNIT = 1070,
    IDC_COMBO_SPEED_UNIT = 1071,
    IDC_APPLY_SPEED_UNIT = 1072,
    IDC_LABEL_EVENT_SENSITIVITY = 1080,
    IDC_COMBO_EVENT_SENSITIVITY = 1081,
  };

  // `parent` is the main window: the Apply buttons and OK post to it.
  explicit CTrcConfigDlg(QWidget* parent = nullptr);
  ~CTrcConfigDlg() override;

  int DoModal() { return exec(); }

  // The map entry chosen when the dialog closed with OK.
  int32_t MapSelection() const { return m_mapSelection; }

  bool RelabelDialog();
  void OnApplyMap();
  void OnApplyLanguage();
  // Writes "UI"/"SPEED_UNIT" and tells whoever listens (the main window).
  void OnApplySpeedUnit();
  void OnOkClicked();

  // After a choice of the user was written: when the settings file could
  // not keep it, a message box on `parent` says so, once a run.
  static void TellIfSettingNotStored(QWidget* parent);

  QPushButton* Button(int id) const;
  QGroupBox* Group(int id) const;
  // The combo box of this id (null when there is none); the speed unit's
  // has entry 0 km/h, entry 1 mph.
  QComboBox* Combo(int id) const;

 signals:
  // The speed unit was stored by its Apply button or by OK.
  void SpeedUnitApplied(SpeedUnit unit);
  // OK stored the event sensitivity (entries low, normal, high).
  void EventSensitivityApplied(EventSensitivity sensitivity);
  // The map choice or the language was stored; the window relabels or
  // reloads once the dialog's own handler has returned (a queued
  // connection).
  void MapProviderApplied();
  void LanguageApplied(int language);

 private:
  void OnInitDialog();

  int32_t m_mapSelection = 0;
  QComboBox* m_comboMap = nullptr;
  QComboBox* m_comboLanguage = nullptr;
  QComboBox* m_comboSpeedUnit = nullptr;

  // The list's selected entry; -1 when the typed text matches no entry.
  static int SelectedEntry(const QComboBox* combo);

  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_applyMap = nullptr;
  QPushButton* m_applyLanguage = nullptr;
  QPushButton* m_applySpeedUnit = nullptr;
  QGroupBox* m_groupMap = nullptr;
  QGroupBox* m_groupLanguage = nullptr;
  QGroupBox* m_groupSpeedUnit = nullptr;

  // Event sensitivity (CTrcConfigDlgEvents.cpp): stored by OK only.
  void SetUpEventSensitivity();
  void RelabelEventSensitivity();
  void ApplyEventSensitivity();
  QLabel* m_labelSensitivity = nullptr;
  QComboBox* m_comboSensitivity = nullptr;
};
