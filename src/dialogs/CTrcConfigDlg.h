#pragma once
// The configuration dialog: map provider and interface language, each with an
// Apply button that stores the choice at once and tells the parent window;
// OK applies both and closes; Cancel keeps what was applied before.
#include <QDialog>

class QComboBox;
class QGroupBox;
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
  };

  // `parent` is the main window: the Apply buttons and OK post to it.
  explicit CTrcConfigDlg(QWidget* parent = nullptr);
  ~CTrcConfigDlg() override;

  int DoModal() { return exec(); }

  int32_t m_mapSelection = 0;
  QComboBox* m_comboMap = nullptr;
  QComboBox* m_comboLanguage = nullptr;

  bool RelabelDialog();
  void OnApplyMap();
  void OnApplyLanguage();
  void OnOkClicked();

  QPushButton* Button(int id) const;
  QGroupBox* Group(int id) const;

 private:
  void OnInitDialog();
  // The list's selected entry; -1 when the typed text matches no entry.
  static int SelectedEntry(const QComboBox* combo);

  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_applyMap = nullptr;
  QPushButton* m_applyLanguage = nullptr;
  QGroupBox* m_groupMap = nullptr;
  QGroupBox* m_groupLanguage = nullptr;
};
