#include "PackKey.h"

#include <cstring>

PackKey::PackKey(const char* password) {
  const size_t length = password ? strnlen(password, Rar20Cipher::kMaxPasswordSize) : 0;
  _hasPassword = length > 0;
  if (_hasPassword) _cipher.setPassword(reinterpret_cast<const uint8_t*>(password), length);
}
