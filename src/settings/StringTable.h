#pragma once
// The program's string table, compiled in: one row per id with its English
// (0x0409) and Japanese (0x0411) texts. LoadTextForLanguage (Languages.h)
// looks texts up here.
#include <cstddef>
#include <cstdint>

struct StringTableRow {
  uint32_t id;
  const char* english;   // 0x0409
  const char* japanese;  // 0x0411
};

// The rows in ascending id order.
const StringTableRow* StringTableRows(std::size_t& count);
