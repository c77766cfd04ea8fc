#pragma once
// Names of RAR 2.x file headers with the Unicode flag (0x0200): the name field holds a plain name,
// a zero byte, then the name in UTF-16 packed by a small scheme (a high byte shared by many
// characters, two flag bits per character, runs copied from the plain name).
#include <cstddef>
#include <cstdint>
#include <string>

class Rar20NameCodec {
 public:
  // The name in UTF-8 from a whole name field of a header with the Unicode flag. A field without a
  // zero byte already holds UTF-8. Broken or truncated encodings yield what decoded up to there;
  // unpaired surrogates become U+FFFD.
  static std::string decode(const uint8_t* field, size_t size);

  // The name field for a UTF-8 name: the name itself (so that the program's plain-name lookups
  // find it), a zero byte, the encoded UTF-16. Empty when utf8 is not valid UTF-8.
  static std::string encode(const std::string& utf8);

  // Whether every byte is below 0x80 (such names need no Unicode flag).
  static bool isAscii(const std::string& name);

  // UTF-8 to UTF-16 code units; false when utf8 is not well-formed (overlong forms, surrogates
  // and values above U+10FFFF included).
  static bool toUtf16(const std::string& utf8, std::u16string* units);
  // UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
  static std::string toUtf8(const std::u16string& units);
};
