#include "dialogs/CTrcConfigDlg.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>

#include "settings/CSettings.h"
#include "settings/Languages.h"

namespace {

// Dialog units of the template font to pixels (base units 6 x 13).
QRect FromDialogUnits(int x, int y, int w, int h) { return QRect(x * 6 / 4, y * 13 / 8, w * 6 / 4, h * 13 / 8); }

QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

// Text ids of the message that a choice is not kept.
constexpr uint32_t kNotStoredText = 310;
constexpr uint32_t kWarningCaption = 131;

}  // namespace

CTrcConfigDlg::CTrcConfigDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Dialog"));
  setFixedSize(FromDialogUnits(0, 0, 357, 116).size());

  auto makeButton = [this](int id, const char* text, int x, int y, int w, int h) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(QStringLiteral("ctl%1").arg(id));
    button->setGeometry(FromDialogUnits(x, y, w, h));
    button->setAutoDefault(false);
    return button;
  };
  auto makeGroup = [this](int id, const char* text, int x, int y, int w, int h) {
    auto* group = new QGroupBox(QString::fromLatin1(text), this);
    group->setObjectName(QStringLiteral("ctl%1").arg(id));
    group->setGeometry(FromDialogUnits(x, y, w, h));
    return group;
  };
  auto makeCombo = [this](int id, int x, int y, int w) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(QStringLiteral("ctl%1").arg(id));
    combo->setEditable(true);  // a drop-down list with an edit field
    combo->setInsertPolicy(QComboBox::NoInsert);
    QRect r = FromDialogUnits(x, y, w, 0);
    r.setHeight(combo->sizeHint().height());
    combo->setGeometry(r);
    return combo;
  };

  // Group boxes first so the lists and buttons lie above them.
  m_groupMap = makeGroup(IDC_GROUP_MAP, "Map Option", 6, 3, 101, 83);
  m_groupLanguage = makeGroup(IDC_GROUP_LANGUAGE, "Language", 117, 3, 101, 83);
  m_groupSpeedUnit = makeGroup(IDC_GROUP_SPEED_UNIT, "Speed unit", 228, 3, 123, 83);
  m_comboMap = makeCombo(IDC_COMBO_MAP, 22, 23, 74);
  m_applyMap = makeButton(IDC_APPLY_MAP, "Apply", 29, 55, 50, 14);
  m_comboLanguage = makeCombo(IDC_COMBO_LANGUAGE, 135, 23, 66);
  m_applyLanguage = makeButton(IDC_APPLY_LANGUAGE, "Apply", 143, 55, 50, 14);
  m_comboSpeedUnit = makeCombo(IDC_COMBO_SPEED_UNIT, 252, 23, 74);
  m_comboSpeedUnit->setEditable(false);  // only the two units
  m_applySpeedUnit = makeButton(IDC_APPLY_SPEED_UNIT, "Apply", 264, 55, 50, 14);
  m_ok = makeButton(IDOK, "OK", 245, 95, 50, 14);
  m_ok->setDefault(true);
  m_cancel = makeButton(IDCANCEL, "Cancel", 300, 95, 50, 14);

  connect(m_applyMap, &QPushButton::clicked, this, &CTrcConfigDlg::OnApplyMap);
  connect(m_applyLanguage, &QPushButton::clicked, this, &CTrcConfigDlg::OnApplyLanguage);
  connect(m_applySpeedUnit, &QPushButton::clicked, this, &CTrcConfigDlg::OnApplySpeedUnit);
  connect(m_ok, &QPushButton::clicked, this, &CTrcConfigDlg::OnOkClicked);
  connect(m_cancel, &QPushButton::clicked, this, &CTrcConfigDlg::reject);

  SetUpEventSensitivity();
  OnInitDialog();
}

CTrcConfigDlg::~CTrcConfigDlg() = default;

QPushButton* CTrcConfigDlg::Button(int id) const {
  switch (id) {
    case IDOK:
      return m_ok;
    case IDCANCEL:
      return m_cancel;
    case IDC_APPLY_MAP:
      return m_applyMap;
    case IDC_APPLY_LANGUAGE:
      return m_applyLanguage;
    case IDC_APPLY_SPEED_UNIT:
      return m_applySpeedUnit;
    default:
      return nullptr;
  }
}

QComboBox* CTrcConfigDlg::Combo(int id) const {
  if (id == IDC_COMBO_MAP) return m_comboMap;
  if (id == IDC_COMBO_LANGUAGE) return m_comboLanguage;
  if (id == IDC_COMBO_SPEED_UNIT) return m_comboSpeedUnit;
  if (id == IDC_COMBO_EVENT_SENSITIVITY) return m_comboSensitivity;
  return nullptr;
}

QGroupBox* CTrcConfigDlg::Group(int id) const {
  if (id == IDC_GROUP_MAP) return m_groupMap;
  if (id == IDC_GROUP_LANGUAGE) return m_groupLanguage;
  if (id == IDC_GROUP_SPEED_UNIT) return m_groupSpeedUnit;
  return nullptr;
}

void CTrcConfigDlg::OnInitDialog() {
  for (int32_t row = 0; row < LanguageCount(); ++row) {
    m_comboLanguage->addItem(QString::fromStdString(LanguageNameOf(LanguageCodeOf(row))));
  }
  m_comboMap->clear();
  m_comboMap->addItem(Text(105));
  CSettings& settings = CSettings::Instance();
  m_comboLanguage->setCurrentIndex(settings.LanguageIndex());
  m_comboSpeedUnit->addItem(QString());
  m_comboSpeedUnit->addItem(QString());
  m_comboSpeedUnit->setCurrentIndex(settings.ReadSpeedUnit() == SpeedUnit::Mph ? 1 : 0);
  RelabelDialog();
  const int32_t provider = settings.ReadMapProvider();
  m_comboMap->setCurrentIndex(provider < m_comboMap->count() ? provider : 0);
}

bool CTrcConfigDlg::RelabelDialog() {
  setWindowTitle(Text(110));
  m_ok->setText(Text(107));
  m_cancel->setText(Text(108));
  m_applyLanguage->setText(Text(109));
  m_applyMap->setText(Text(109));
  m_groupMap->setTitle(Text(115));
  m_groupLanguage->setTitle(Text(114));
  m_groupSpeedUnit->setTitle(Text(199));
  m_applySpeedUnit->setText(Text(109));
  m_comboSpeedUnit->setItemText(0, Text(213));
  m_comboSpeedUnit->setItemText(1, Text(214));
  RelabelEventSensitivity();
  return true;
}

int CTrcConfigDlg::SelectedEntry(const QComboBox* combo) {
  return combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void CTrcConfigDlg::TellIfSettingNotStored(QWidget* parent) {
  CSettings& settings = CSettings::Instance();
  if (!settings.TakeUnreportedWriteFailure()) return;
  const QString file = QFile::decodeName(settings.IniPath().c_str());
  QMessageBox box(QMessageBox::Warning, Text(kWarningCaption), Text(kNotStoredText).replace(QStringLiteral("%s"), file),
                  QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(Text(107));
  box.exec();
}

void CTrcConfigDlg::OnApplyMap() {
  // Google Map is the only provider offered.
  m_mapSelection = 0;
  CSettings& settings = CSettings::Instance();
  settings.SetMapProvider(0);
  settings.WriteInt("UI", "MAP", 0);
  emit MapProviderApplied();
  TellIfSettingNotStored(this);
}

void CTrcConfigDlg::OnApplyLanguage() {
  const int index = SelectedEntry(m_comboLanguage);
  CSettings::Instance().SetLanguage(index);
  const int mapEntry = m_comboMap->currentIndex();
  RelabelDialog();
  m_comboMap->setCurrentIndex(mapEntry);
  emit LanguageApplied(index);
  TellIfSettingNotStored(this);
}

void CTrcConfigDlg::OnApplySpeedUnit() {
  const SpeedUnit unit = m_comboSpeedUnit->currentIndex() == 1 ? SpeedUnit::Mph : SpeedUnit::Kph;
  CSettings::Instance().WriteSpeedUnit(unit);
  emit SpeedUnitApplied(unit);
  TellIfSettingNotStored(this);
}

void CTrcConfigDlg::OnOkClicked() {
  OnApplyMap();
  const int index = SelectedEntry(m_comboLanguage);
  CSettings& settings = CSettings::Instance();
  settings.SetLanguage(index);
  RelabelDialog();
  const int32_t provider = settings.ReadMapProvider();
  m_comboMap->setCurrentIndex(provider < m_comboMap->count() ? provider : 0);
  emit LanguageApplied(index);
  OnApplySpeedUnit();
  ApplyEventSensitivity();
  accept();
}
