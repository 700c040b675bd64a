#pragma once
// Private-profile (INI) access: every call opens, reads or rewrites and closes
// the file; nothing is cached.
//
// Reading: section and key names match without regard to ASCII case; the first
// matching section and, inside it, the first matching "key=value" line win.
// Names and values are trimmed of blanks and tabs, a value enclosed in a pair
// of matching quotes (" or ') loses them, and the result is cut to `maxChars`
// bytes. A missing file, section or key gives the default with its trailing
// blanks removed.
//
// Writing: replaces the value of the first matching key line in place, or adds
// "key=value" after the last entry of the section, or appends "[section]" and
// the line at the end; every other line, section and comment is kept byte for
// byte (including "\r\n" line ends). Missing file: created. The new content is
// written to a temporary file next to it and renamed into place.
#include <cstddef>
#include <cstdint>
#include <string>

std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t maxChars);

// Integer reading as the platform's private-profile integer read does it:
// - a missing key, or a key whose value is empty, gives `defaultValue`;
// - otherwise the value (trimmed, at most 29 characters) is converted: leading
//   characters up to and including ' ' are skipped, one optional '+' or '-'
//   follows, then a base prefix "0x" (16), "0o" (8) or "0b" (2) in lower case
//   (else base 10), then digits of that base (letters either case) up to the
//   first character that is not one; no digits gives 0 ("abc" -> 0,
//   "55zz" -> 55, "0x1F" -> 31, "-2" -> -2, " 7" -> 7);
// - the digits accumulate modulo 2^32 and the sign is applied to that, the
//   result read as a signed 32-bit value ("4294967295" -> -1).
int32_t IniReadInt(const std::string& path, const std::string& section, const std::string& key, int32_t defaultValue);

// False when the file could not be written, when it exists but could not be
// read whole (it is then left as it is), or when section, key or value
// holds a line break (which would change the file's structure) or the section
// a ']' or the key a '='.
bool IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value);

// The conversion IniReadInt applies to a value that is present.
int32_t ProfileStringToInt(const std::string& text);
