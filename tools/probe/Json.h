#pragma once
// A small streaming JSON writer for the command-line tools: compact output,
// commas placed automatically, strings escaped.
//
// Strings are bytes. Valid UTF-8 passes through unchanged; a byte that is not
// part of a valid UTF-8 sequence (file names are raw bytes on Linux) is
// written as the escape \u00XX of that byte, so the output stays valid JSON
// and the byte can be told from the text around it (a reader that needs the
// exact name maps U+0080..U+00FF written as escapes back to single bytes).
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class JsonWriter {
 public:
  JsonWriter() = default;

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view value);
  JsonWriter& Int(int64_t value);
  JsonWriter& UInt(uint64_t value);
  JsonWriter& Double(double value);  // shortest form that reads back; null when not finite
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Key and value in one call.
  template <typename T>
  JsonWriter& Field(std::string_view key, const T& value) {
    Key(key);
    return Value(value);
  }

  const std::string& Text() const { return m_out; }
  // Hands the text over and starts afresh.
  std::string Take();

  static void AppendEscaped(std::string& out, std::string_view bytes);

 private:
  JsonWriter& Value(std::string_view v) { return String(v); }
  JsonWriter& Value(const std::string& v) { return String(v); }
  JsonWriter& Value(const char* v) { return v ? String(v) : Null(); }
  JsonWriter& Value(bool v) { return Bool(v); }
  JsonWriter& Value(double v) { return Double(v); }
  template <typename T>
  JsonWriter& Value(T v) requires std::is_integral_v<T> {
    if constexpr (std::is_signed_v<T>)
      return Int(v);
    else
      return UInt(v);
  }

  void BeforeValue();

  std::string m_out;
  std::vector<bool> m_first;  // per open container: nothing written yet
  bool m_afterKey = false;
};
