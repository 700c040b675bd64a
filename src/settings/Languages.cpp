#include "settings/Languages.h"

#include <algorithm>

#include "settings/CSettings.h"
#include "settings/StringTable.h"

namespace {

constexpr LanguageEntry kLanguages[] = {
    {"JPN", "日本語", 0x11, 0x01},
    {"ENG", "English", 0x09, 0x01},
};
constexpr int32_t kLanguageCount = static_cast<int32_t>(sizeof kLanguages / sizeof kLanguages[0]);

}  // namespace

int32_t LanguageCount() { return kLanguageCount; }

const LanguageEntry& LanguageAt(int32_t index) {
  if (index < 0 || index >= kLanguageCount) index = FindLanguage(kDefaultLanguageCode);
  return kLanguages[index];
}

int32_t FindLanguage(const std::string& code) {
  for (int32_t i = 0; i < kLanguageCount; ++i)
    if (code == kLanguages[i].code) return i;
  return -1;
}

std::string LanguageCodeOf(int32_t index) {
  if (index < 0 || index >= kLanguageCount) return std::string();
  return kLanguages[index].code;
}

std::string LanguageNameOf(const std::string& code) {
  const int32_t index = FindLanguage(code);
  return index < 0 ? std::string() : std::string(kLanguages[index].name);
}

std::string LoadTextForLanguage(uint32_t id, uint16_t langId) {
  std::size_t count = 0;
  const StringTableRow* rows = StringTableRows(count);
  const StringTableRow* end = rows + count;
  const StringTableRow* row =
      std::lower_bound(rows, end, id, [](const StringTableRow& r, uint32_t value) { return r.id < value; });
  if (row == end || row->id != id) return std::string();
  if (langId == kLangIdEnglish) return row->english;
  if (langId == kLangIdJapanese) return row->japanese;
  return std::string();
}

std::string LoadText(uint32_t id) {
  CSettings& settings = CSettings::Instance();
  const uint16_t langId = LanguageAt(settings.LanguageIndex()).LangId();
  std::string text = LoadTextForLanguage(id, langId);
  if (text.empty()) text = LoadTextForLanguage(id, LanguageAt(FindLanguage(kDefaultLanguageCode)).LangId());
  return text;
}
