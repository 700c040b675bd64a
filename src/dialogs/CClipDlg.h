#pragma once
// The clip dialog: what to make of the span (lossless, shareable or both)
// and the folder it goes to, typed or chosen with the folder picker. The
// window checks the folder after OK; the dialog only asks.
#include <QDialog>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;

class CClipDlg : public QDialog {
  Q_OBJECT

 public:
  struct Choice {
    bool lossless = true;
    bool shareable = false;
    QString folder;
  };
  // `span` says what the clip holds; without `shareableBuilt` the shareable
  // choice is off and says why in its tooltip.
  CClipDlg(QWidget* parent, const QString& span, const Choice& initial, bool shareableBuilt);

  Choice Chosen() const;
  QCheckBox* LosslessBox() const { return m_lossless; }
  QCheckBox* ShareableBox() const { return m_shareable; }
  QLineEdit* FolderEdit() const { return m_folder; }
  QPushButton* OkButton() const;

 private:
  void ChooseFolder();
  void UpdateOk();

  QCheckBox* m_lossless = nullptr;
  QCheckBox* m_shareable = nullptr;
  QLineEdit* m_folder = nullptr;
  QDialogButtonBox* m_buttons = nullptr;
};
