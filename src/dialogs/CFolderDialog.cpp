#include "CFolderDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

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

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_titleLabel);
  layout->addWidget(m_tree, 1);
  layout->addWidget(m_pathEdit);
  layout->addWidget(m_buttons);
  // The path field takes the first focus: a tree view that gets focus makes
  // its first row current, which would pick a folder the user never chose.
  m_pathEdit->setFocus();

  connect(m_buttons, &QDialogButtonBox::accepted, this, &CFolderDialog::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &CFolderDialog::reject);
  connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
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
  if (typed.startsWith(QLatin1String("~/")) || typed == QLatin1String("~"))
    typed.replace(0, 1, QDir::homePath());
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
