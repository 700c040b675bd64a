// The settings dialog's event sensitivity: a list of three entries in the row
// of OK and Cancel, stored as "UI"/"EVENT_SENSITIVITY" when OK is pressed.
#include <QComboBox>
#include <QLabel>

#include "settings/CSettings.h"
#include "dialogs/CTrcConfigDlg.h"
#include "settings/Languages.h"

namespace {
constexpr uint32_t kSensitivityText = 352;
constexpr uint32_t kLowText = 353;
// Dialog units (base units 6 x 13) of the row.
QRect Row(int x, int w, int h) { return QRect(x * 6 / 4, 95 * 13 / 8, w * 6 / 4, h * 13 / 8); }
}  // namespace

void CTrcConfigDlg::SetUpEventSensitivity() {
  m_labelSensitivity = new QLabel(this);
  m_labelSensitivity->setObjectName(QStringLiteral("ctl%1").arg(IDC_LABEL_EVENT_SENSITIVITY));
  m_labelSensitivity->setGeometry(Row(8, 90, 12));
  m_comboSensitivity = new QComboBox(this);
  m_comboSensitivity->setObjectName(QStringLiteral("ctl%1").arg(IDC_COMBO_EVENT_SENSITIVITY));
  QRect r = Row(100, 70, 0);
  r.setHeight(m_comboSensitivity->sizeHint().height());
  m_comboSensitivity->setGeometry(r);
  for (int entry = 0; entry < 3; ++entry) m_comboSensitivity->addItem(QString());
  m_comboSensitivity->setCurrentIndex(static_cast<int>(ReadEventSensitivity(CSettings::Instance())));
}

void CTrcConfigDlg::RelabelEventSensitivity() {
  m_labelSensitivity->setText(QString::fromStdString(LoadText(kSensitivityText)));
  for (int entry = 0; entry < 3; ++entry)
    m_comboSensitivity->setItemText(entry, QString::fromStdString(LoadText(kLowText + static_cast<uint32_t>(entry))));
}

void CTrcConfigDlg::ApplyEventSensitivity() {
  const auto sensitivity = static_cast<EventSensitivity>(m_comboSensitivity->currentIndex());
  WriteEventSensitivity(CSettings::Instance(), sensitivity);
  emit EventSensitivityApplied(sensitivity);
}
