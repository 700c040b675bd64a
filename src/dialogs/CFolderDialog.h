#pragma once
// Modal folder picker: starts at a given folder, lets the user pick a folder
// in the tree or type a path, refuses (with a beep, staying open) a path that
// is not an existing folder, and returns the chosen file-system path.
#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;
class QDialogButtonBox;

class CFolderDialog : public QDialog {
  Q_OBJECT

 public:
  enum Result { kOk = 1, kCancel = 2, kNoPath = -1 };

  // `initialFolder` is selected when the picker opens; empty for none.
  CFolderDialog(QWidget* parent, const QString& title, const QString& initialFolder);
  ~CFolderDialog() override;

  // 1 (kOk) with m_folderPath set, or 2 (kCancel).
  int DoModal();

  // The chosen folder after kOk (absolute, without a trailing separator
  // except for the root).
  QString m_folderPath;
  QString m_initialPath;

  // The path the picker would take now: the typed text, resolved against the
  // selected folder when it is relative.
  QString CurrentPath() const;
  QLineEdit* PathEdit() const { return m_pathEdit; }
  QTreeView* FolderTree() const { return m_tree; }

  // OK: takes the path, or refuses it and stays open.
  void accept() override;

 protected:
  virtual void OnBrowseInitialized();
  virtual void OnBrowseSelChanged(const QString& path);
  // A typed path that is not a folder: beeps; a nonzero result keeps the
  // picker open.
  virtual int OnBrowseValidateFailed(const QString& typed);

  void showEvent(QShowEvent* event) override;

 private:
  void SelectFolder(const QString& path);
  QString SelectedFolder() const;

  QFileSystemModel* m_model = nullptr;
  QLabel* m_titleLabel = nullptr;
  QTreeView* m_tree = nullptr;
  QLineEdit* m_pathEdit = nullptr;
  QDialogButtonBox* m_buttons = nullptr;
  bool m_initialized = false;
  bool m_selectingFromEdit = false;
};
