#include "Rar20NameCodec.h"

#include <cstring>

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(char(c));
  } else if (c < 0x800) {
    out->push_back(char(0xC0 | (c >> 6)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(char(0xE0 | (c >> 12)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else {
    out->push_back(char(0xF0 | (c >> 18)));
    out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  }
}
}  // namespace

bool Rar20NameCodec::isAscii(const std::string& name) {
  for (char c : name) {
    if (uint8_t(c) >= 0x80) return false;
  }
  return true;
}

std::string Rar20NameCodec::toUtf8(const std::u16string& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    appendUtf8(c, &out);
  }
  return out;
}

bool Rar20NameCodec::toUtf16(const std::string& utf8, std::u16string* units) {
  units->clear();
  const size_t n = utf8.size();
  for (size_t i = 0; i < n;) {
    const uint8_t lead = uint8_t(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (extra > 0 && i + size_t(extra) >= n) return false;
    for (int k = 1; k <= extra; ++k) {
      const uint8_t b = uint8_t(utf8[i + size_t(k)]);
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
    i += size_t(extra) + 1;
    if (c >= 0x10000) {
      units->push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
      units->push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units->push_back(char16_t(c));
    }
  }
  return true;
}

std::string Rar20NameCodec::decode(const uint8_t* field, size_t size) {
  if (!field || size == 0) return std::string();
  const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(field, 0, size));
  if (!zero) return std::string(reinterpret_cast<const char*>(field), size);
  const size_t plainSize = size_t(zero - field);
  const uint8_t* encoded = zero + 1;
  const size_t encodedSize = size - plainSize - 1;
  std::u16string units;
  // A name field is at most 65535 bytes; each encoded byte gives at most 129 units (a run), so
  // this cap only stops runaway runs.
  const size_t maxUnits = 65536;
  size_t pos = 0;
  if (encodedSize == 0) return std::string(reinterpret_cast<const char*>(field), plainSize);
  const uint16_t high = uint16_t(encoded[pos++] << 8);
  uint8_t flags = 0;
  int flagBits = 0;
  while (pos < encodedSize && units.size() < maxUnits) {
    if (flagBits == 0) {
      flags = encoded[pos++];
      flagBits = 8;
      if (pos >= encodedSize) break;
    }
    switch (flags >> 6) {
      case 0:
        units.push_back(char16_t(encoded[pos++]));
        break;
      case 1:
        units.push_back(char16_t(high | encoded[pos++]));
        break;
      case 2:
        if (pos + 1 >= encodedSize) return toUtf8(units);
        units.push_back(char16_t(encoded[pos] | (encoded[pos + 1] << 8)));
        pos += 2;
        break;
      default: {
        int length = encoded[pos++];
        // A run copies characters of the plain name at the same positions, optionally shifted by a
        // correction into the shared high byte's page.
        const bool corrected = (length & 0x80) != 0;
        uint8_t correction = 0;
        if (corrected) {
          if (pos >= encodedSize) return toUtf8(units);
          correction = encoded[pos++];
        }
        for (length = (length & 0x7F) + 2; length > 0; --length) {
          const size_t at = units.size();
          if (at >= plainSize) return toUtf8(units);
          if (corrected) {
            units.push_back(char16_t(high | uint8_t(field[at] + correction)));
          } else {
            units.push_back(char16_t(field[at]));
          }
        }
        break;
      }
    }
    flags = uint8_t(flags << 2);
    flagBits -= 2;
  }
  return toUtf8(units);
}

std::string Rar20NameCodec::encode(const std::string& utf8) {
  std::u16string units;
  if (!toUtf16(utf8, &units)) return std::string();
  // The high byte most characters outside ASCII share (one byte each instead of two).
  size_t counts[256] = {};
  for (char16_t u : units) {
    if (u >= 0x100) ++counts[u >> 8];
  }
  size_t best = 0;
  for (size_t h = 1; h < 256; ++h) {
    if (counts[h] > counts[best]) best = h;
  }
  std::string out = utf8;
  out.push_back('\0');
  out.push_back(char(best));
  size_t flagsAt = 0;
  int flagBits = 0;
  for (char16_t u : units) {
    if (flagBits == 0) {
      flagsAt = out.size();
      out.push_back('\0');
      flagBits = 8;
    }
    flagBits -= 2;
    int mode = 0;
    if (u < 0x100) {
      out.push_back(char(u));
    } else if ((u >> 8) == best) {
      mode = 1;
      out.push_back(char(u & 0xFF));
    } else {
      mode = 2;
      out.push_back(char(u & 0xFF));
      out.push_back(char(u >> 8));
    }
    out[flagsAt] = char(uint8_t(out[flagsAt]) | (mode << flagBits));
  }
  return out;
}
