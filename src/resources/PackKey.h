#pragma once
// The key of a data pack's password: the cipher state right after the key set-up, which costs
// far more than decrypting a small entry. Built once, it serves any number of packs and entries
// (DataPack's calls that take a PackKey); the calls that take a password build one per call.
// The key words and table are wiped when it is destroyed.
#include <cstddef>
#include <cstdint>

#include "Rar20Cipher.h"

class PackKey {
 public:
  // No password: entries are not decrypted.
  PackKey() = default;
  // password null or empty: no password; taken as bytes up to the first zero, cut to 255 bytes.
  explicit PackKey(const char* password);
  PackKey(const PackKey&) = delete;
  PackKey& operator=(const PackKey&) = delete;

  bool hasPassword() const { return _hasPassword; }
  // The keyed state: a copy of it decrypts one entry from its start.
  const Rar20Cipher& cipher() const { return _cipher; }

 private:
  bool _hasPassword = false;
  Rar20Cipher _cipher;
};
