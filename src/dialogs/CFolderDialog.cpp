#include "dialogs/CFolderDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "settings/CSettings.h"
#include "settings/Languages.h"
#include "dialogs/MountedMedia.h"

namespace {

QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

// Texts of the "New folder" messages.
constexpr uint32_t kNameHasSlash = 219;
constexpr uint32_t kNameEmpty = 220;
constexpr uint32_t kNameExists = 221;
constexpr uint32_t kNotCreated = 222;

}  // namespace

CFolderDialog::CFolderDialog(QWidget* parent, const QString& title, const QString& initialFolder)
    : QDialog(parent), m_initialPath(initialFolder) {
  setWindowTitle(title);
  setModal(true);
  resize(420, 460);

  m_model = new QFileSystemModel(this);
  m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
  m_model->setReadOnly(true);
  m_model->setRootPath(QDir::rootPath());

  m_titleLabel = new QLabel(title, this);
  m_tree = new QTreeView(this);
  m_tree->setModel(m_model);
  m_tree->setRootIndex(m_model->index(QDir::rootPath()));
  for (int column = 1; column < m_model->columnCount(); ++column) m_tree->hideColumn(column);
  m_tree->header()->hide();
  m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pathEdit = new QLineEdit(this);
  m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_buttons->button(QDialogButtonBox::Ok)->setText(Text(107));
  m_buttons->button(QDialogButtonBox::Cancel)->setText(Text(108));
  m_newFolder = m_buttons->addButton(Text(217), QDialogButtonBox::ActionRole);
  connect(m_newFolder, &QAbstractButton::clicked, this, &CFolderDialog::OnNewFolder);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_titleLabel);
  auto* places = new QHBoxLayout();
  layout->addLayout(places);
  AddPlace(Text(215), QDir::homePath(), QStyle::SP_DirHomeIcon);
  std::string documents;
  if (UserDocumentsFolder(documents)) AddPlace(Text(216), QFile::decodeName(documents.c_str()), QStyle::SP_DirIcon);
  // Cards come and go: the mounts are read each time a picker is made.
  for (const MountedMedium& medium : ListMountedMedia())
    AddPlace(QString::fromStdString(medium.label), QFile::decodeName(medium.mountPoint.c_str()),
             QStyle::SP_DriveHDIcon);
  for (const Place& place : m_places) places->addWidget(place.button);
  places->addStretch(1);
  layout->addWidget(m_tree, 1);
  layout->addWidget(m_pathEdit);
  layout->addWidget(m_buttons);
  // The path field takes the first focus: a tree view that gets focus makes
  // its first row current, which would pick a folder the user never chose.
  m_pathEdit->setFocus();

  connect(m_buttons, &QDialogButtonBox::accepted, this, &CFolderDialog::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &CFolderDialog::reject);
  connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    const QString path = m_model->filePath(current);
    if (!m_selectingFromEdit) m_pathEdit->setText(QDir::toNativeSeparators(path));
    OnBrowseSelChanged(path);
  });
  // A typed absolute path that names a folder selects it in the tree.
  connect(m_pathEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString typed = QDir::fromNativeSeparators(text.trimmed());
    if (QDir::isAbsolutePath(typed) && QFileInfo(typed).isDir()) {
      m_selectingFromEdit = true;
      SelectFolder(typed);
      m_selectingFromEdit = false;
    }
  });
  // The model fills folders in the background: keep the selection in view
  // once the folders above it are known.
  connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString&) {
    const QModelIndex current = m_tree->currentIndex();
    if (current.isValid()) m_tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
  });
}

CFolderDialog::~CFolderDialog() = default;

QString CFolderDialog::StartFolder(const QString& lastFolder) {
  if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir()) return lastFolder;
  return QDir::homePath();
}

void CFolderDialog::AddPlace(const QString& label, const QString& path, QStyle::StandardPixmap icon) {
  if (path.isEmpty() || !QFileInfo(path).isDir()) return;
  auto* button = new QToolButton(this);
  button->setText(label);
  button->setIcon(style()->standardIcon(icon));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setToolTip(QDir::toNativeSeparators(path));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QToolButton::clicked, this, [this, path] { GoToPlace(path); });
  m_places.push_back({label, path, button});
}

void CFolderDialog::GoToPlace(const QString& path) {
  m_pathEdit->setText(QDir::toNativeSeparators(path));
  m_selectingFromEdit = true;
  SelectFolder(path);
  m_selectingFromEdit = false;
}

uint32_t CFolderDialog::RefusalOf(const QString& parent, const QString& name) const {
  if (name.contains(QLatin1Char('/'))) return kNameHasSlash;
  if (name.trimmed().isEmpty()) return kNameEmpty;
  // "." and ".." exist in every folder.
  if (QFileInfo::exists(parent + QLatin1Char('/') + name) || QFileInfo(parent + QLatin1Char('/') + name).isSymLink())
    return kNameExists;
  return 0;
}

void CFolderDialog::ShowNewFolderMessage(const QString& text) {
  QMessageBox box(QMessageBox::Warning, Text(217), text, QMessageBox::Ok, this);
  box.button(QMessageBox::Ok)->setText(Text(107));
  box.exec();
}

void CFolderDialog::OnNewFolder() {
  QString parent = CurrentPath();
  if (parent.isEmpty() || !QFileInfo(parent).isDir()) parent = SelectedFolder();
  if (parent.isEmpty() || !QFileInfo(parent).isDir()) {
    QApplication::beep();
    return;
  }
  QInputDialog input(this);
  input.setWindowTitle(Text(217));
  input.setLabelText(Text(218));
  input.setOkButtonText(Text(107));
  input.setCancelButtonText(Text(108));
  if (input.exec() != QDialog::Accepted) return;
  const QString name = input.textValue();
  if (const uint32_t refusal = RefusalOf(parent, name)) {
    ShowNewFolderMessage(Text(refusal).replace(QStringLiteral("%s"), name));
    return;
  }
  if (!QDir(parent).mkdir(name)) {
    ShowNewFolderMessage(Text(kNotCreated));
    return;
  }
  GoToPlace(QDir::cleanPath(parent + QLatin1Char('/') + name));
}

int CFolderDialog::DoModal() {
  m_folderPath.clear();
  return exec() == QDialog::Accepted ? kOk : kCancel;
}

void CFolderDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!m_initialized) {
    m_initialized = true;
    OnBrowseInitialized();
  }
}

void CFolderDialog::OnBrowseInitialized() {
  if (!m_initialPath.isEmpty()) SelectFolder(m_initialPath);
}

void CFolderDialog::OnBrowseSelChanged(const QString&) {}

int CFolderDialog::OnBrowseValidateFailed(const QString&) {
  QApplication::beep();
  return 1;
}

void CFolderDialog::SelectFolder(const QString& path) {
  const QModelIndex index = m_model->index(QDir::cleanPath(path));
  if (!index.isValid()) return;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) m_tree->expand(up);
  m_tree->setCurrentIndex(index);
  m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

QString CFolderDialog::SelectedFolder() const {
  const QModelIndex current = m_tree->currentIndex();
  return current.isValid() ? m_model->filePath(current) : QString();
}

QString CFolderDialog::CurrentPath() const {
  QString typed = QDir::fromNativeSeparators(m_pathEdit->text().trimmed());
  if (typed.isEmpty()) return SelectedFolder();
  if (typed.startsWith(QLatin1String("~/")) || typed == QLatin1String("~")) typed.replace(0, 1, QDir::homePath());
  if (QDir::isRelativePath(typed)) {
    const QString base = SelectedFolder();
    if (base.isEmpty()) return QString();  // nothing to resolve a relative name against
    typed = base + QLatin1Char('/') + typed;
  }
  return QDir::cleanPath(typed);
}

void CFolderDialog::accept() {
  const QString path = CurrentPath();
  if (path.isEmpty() || !QFileInfo(path).isDir()) {
    if (OnBrowseValidateFailed(m_pathEdit->text()) != 0) return;
    reject();
    return;
  }
  m_folderPath = path;
  QDialog::accept();
}
