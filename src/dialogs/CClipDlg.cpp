#include "dialogs/CClipDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/CFolderDialog.h"
#include "settings/Languages.h"

namespace {

constexpr uint32_t kCaption = 369;
constexpr uint32_t kLossless = 362;
constexpr uint32_t kShareable = 363;
constexpr uint32_t kNoEncoder = 364;
constexpr uint32_t kFolderLabel = 365;
constexpr uint32_t kChoose = 366;
constexpr uint32_t kPickerTitle = 367;
constexpr uint32_t kOk = 107;
constexpr uint32_t kCancel = 108;

QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

}  // namespace

CClipDlg::CClipDlg(QWidget* parent, const QString& span, const Choice& initial, bool shareableBuilt) : QDialog(parent) {
  setWindowTitle(Text(kCaption));
  auto* layout = new QVBoxLayout(this);
  auto* spanLabel = new QLabel(span, this);
  spanLabel->setWordWrap(true);
  layout->addWidget(spanLabel);

  m_lossless = new QCheckBox(Text(kLossless), this);
  m_lossless->setChecked(initial.lossless);
  m_shareable = new QCheckBox(Text(kShareable), this);
  m_shareable->setChecked(shareableBuilt && initial.shareable);
  m_shareable->setEnabled(shareableBuilt);
  if (!shareableBuilt) m_shareable->setToolTip(Text(kNoEncoder));
  layout->addWidget(m_lossless);
  layout->addWidget(m_shareable);

  auto* row = new QHBoxLayout();
  row->addWidget(new QLabel(Text(kFolderLabel), this));
  m_folder = new QLineEdit(initial.folder, this);
  m_folder->setMinimumWidth(320);
  row->addWidget(m_folder, 1);
  auto* choose = new QPushButton(Text(kChoose), this);
  row->addWidget(choose);
  layout->addLayout(row);

  m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_buttons->button(QDialogButtonBox::Ok)->setText(Text(kOk));
  m_buttons->button(QDialogButtonBox::Cancel)->setText(Text(kCancel));
  layout->addWidget(m_buttons);

  connect(choose, &QPushButton::clicked, this, &CClipDlg::ChooseFolder);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QCheckBox* box : {m_lossless, m_shareable}) connect(box, &QCheckBox::toggled, this, &CClipDlg::UpdateOk);
  connect(m_folder, &QLineEdit::textChanged, this, &CClipDlg::UpdateOk);
  UpdateOk();
}

CClipDlg::Choice CClipDlg::Chosen() const {
  return {m_lossless->isChecked(), m_shareable->isEnabled() && m_shareable->isChecked(), m_folder->text().trimmed()};
}

QPushButton* CClipDlg::OkButton() const { return m_buttons->button(QDialogButtonBox::Ok); }

void CClipDlg::ChooseFolder() {
  CFolderDialog picker(this, Text(kPickerTitle), CFolderDialog::StartFolder(m_folder->text().trimmed()));
  if (picker.DoModal() == CFolderDialog::kOk) m_folder->setText(picker.FolderPath());
}

void CClipDlg::UpdateOk() {
  // Something to make, somewhere to put it.
  const Choice c = Chosen();
  OkButton()->setEnabled((c.lossless || c.shareable) && !c.folder.isEmpty());
}
