#pragma once
// Modal folder picker: starts at a given folder, lets the user pick a folder
// in the tree or type a path, refuses (with a beep, staying open) a path that
// is not an existing folder, and returns the chosen file-system path. A row of
// places leads to the home and documents folders and to every mounted card;
// "New folder" makes a folder in the one chosen.
#include <QDialog>
#include <QString>
#include <QStyle>
#include <vector>

class QAbstractButton;
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

  // 1 (kOk) with FolderPath() set, or 2 (kCancel).
  int DoModal();

  // Where a picker starts: `lastFolder` while it is a folder, else home.
  static QString StartFolder(const QString& lastFolder);

  struct Place {
    QString label;
    QString path;
    QAbstractButton* button = nullptr;
  };
  // Home, documents, then the mounted media (read when the picker was made).
  const std::vector<Place>& Places() const { return m_places; }
  QAbstractButton* NewFolderButton() const { return m_newFolder; }

  // The chosen folder after kOk (absolute, without a trailing separator
  // except for the root).
  const QString& FolderPath() const { return m_folderPath; }

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
  QString m_folderPath;
  QString m_initialPath;

  void SelectFolder(const QString& path);
  QString SelectedFolder() const;
  void AddPlace(const QString& label, const QString& path, QStyle::StandardPixmap icon);
  void GoToPlace(const QString& path);
  // Asks for a name and makes the folder inside the chosen one.
  void OnNewFolder();
  // Refuses a name with a message; 0 when the name may be made below `parent`.
  uint32_t RefusalOf(const QString& parent, const QString& name) const;
  void ShowNewFolderMessage(const QString& text);

  std::vector<Place> m_places;
  QAbstractButton* m_newFolder = nullptr;

  QFileSystemModel* m_model = nullptr;
  QLabel* m_titleLabel = nullptr;
  QTreeView* m_tree = nullptr;
  QLineEdit* m_pathEdit = nullptr;
  QDialogButtonBox* m_buttons = nullptr;
  bool m_initialized = false;
  bool m_selectingFromEdit = false;
};
