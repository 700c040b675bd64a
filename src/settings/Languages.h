#pragma once
// The offered interface languages and the program's texts by string id.
#include <cstdint>
#include <string>

struct LanguageEntry {
  const char* code;  // stored in "UI"/"LANGID"
  const char* name;  // the language's own name (UTF-8)
  uint16_t primaryLanguage;
  uint16_t subLanguage;
  uint16_t LangId() const { return static_cast<uint16_t>((subLanguage << 10) | primaryLanguage); }
};

// The language a new settings object starts with and LoadText's fallback.
constexpr const char* kDefaultLanguageCode = "JPN";
constexpr uint16_t kLangIdEnglish = 0x0409;
constexpr uint16_t kLangIdJapanese = 0x0411;

int32_t LanguageCount();
// An index outside the table gives the default language's row.
const LanguageEntry& LanguageAt(int32_t index);
int32_t FindLanguage(const std::string& code);  // exact match, -1 when absent
// Empty for an index / a code that the table does not hold.
std::string LanguageCodeOf(int32_t index);
std::string LanguageNameOf(const std::string& code);

// Text of string `id` (UTF-8) in the language in force, falling back to the
// default language "JPN"; empty when neither has it.
std::string LoadText(uint32_t id);
// The exact-language lookup alone (empty when that language lacks the id).
std::string LoadTextForLanguage(uint32_t id, uint16_t langId);
