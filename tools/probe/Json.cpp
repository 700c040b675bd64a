#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at p (1-4), or 0 when p does not start one.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  std::size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000)) return 0;  // overlong
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;                        // surrogate
  if (cp > 0x10FFFF) return 0;
  return n;
}

void AppendU00(std::string& out, unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
  out += buf;
}

}  // namespace

void JsonWriter::AppendEscaped(std::string& out, std::string_view bytes) {
  out += '"';
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = p[i];
    switch (c) {
      case '"':
        out += "\\\"";
        ++i;
        continue;
      case '\\':
        out += "\\\\";
        ++i;
        continue;
      case '\n':
        out += "\\n";
        ++i;
        continue;
      case '\r':
        out += "\\r";
        ++i;
        continue;
      case '\t':
        out += "\\t";
        ++i;
        continue;
      case '\b':
        out += "\\b";
        ++i;
        continue;
      case '\f':
        out += "\\f";
        ++i;
        continue;
      default:
        break;
    }
    if (c < 0x20) {
      AppendU00(out, c);
      ++i;
      continue;
    }
    const std::size_t n = Utf8SequenceLength(p + i, bytes.size() - i);
    if (n == 0) {
      AppendU00(out, c);
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  out += '"';
}

void JsonWriter::BeforeValue() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_first.empty()) {
    if (!m_first.back()) m_out += ',';
    m_first.back() = false;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  m_out += '{';
  m_first.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  m_out += '}';
  if (!m_first.empty()) m_first.pop_back();
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  m_out += '[';
  m_first.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  m_out += ']';
  if (!m_first.empty()) m_first.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendEscaped(m_out, key);
  m_out += ':';
  m_afterKey = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  BeforeValue();
  AppendEscaped(m_out, value);
  return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
  BeforeValue();
  m_out += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::UInt(uint64_t value) {
  BeforeValue();
  m_out += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Double(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  m_out.append(buf, r.ptr);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  m_out += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  m_out += "null";
  return *this;
}

std::string JsonWriter::Take() {
  std::string out;
  out.swap(m_out);
  m_first.clear();
  m_afterKey = false;
  return out;
}
