#pragma once
// The RAR 2.0 block cipher (archives whose entries need version 20, file flag 0x0004).
// 16-byte blocks, four 32-bit key words that change after every block, a 256-byte substitution
// table shuffled by the password. Encryption and decryption both chain: the keys after a block
// depend on that block's ciphertext, so blocks must be processed in stream order.
#include <cstddef>
#include <cstdint>

class Rar20Cipher {
 public:
  static constexpr size_t kBlockSize = 16;         // bytes per cipher block
  static constexpr size_t kMaxPasswordSize = 255;  // longer passwords are cut to this many bytes

  // Keys from the empty password (the fixed initial state); call setPassword before use.
  Rar20Cipher();
  // Wipes the key words and the table.
  ~Rar20Cipher();
  // Copies carry the whole state: a copy taken after setPassword restarts the key schedule without
  // running the set-up again.
  Rar20Cipher(const Rar20Cipher&) = default;
  Rar20Cipher& operator=(const Rar20Cipher&) = default;

  // Restarts the key schedule from the password (null counts as empty). The password is taken
  // as bytes, cut to kMaxPasswordSize; the internal copy is wiped before returning.
  void setPassword(const char* password);
  // Same for a password of length bytes (may contain zero bytes; cut to kMaxPasswordSize).
  void setPassword(const uint8_t* password, size_t length);

  // Encrypts / decrypts one 16-byte block in place and advances the key words.
  void encryptBlock(uint8_t block[kBlockSize]);
  void decryptBlock(uint8_t block[kBlockSize]);

  // Whole blocks of data in place; size is rounded down to a multiple of kBlockSize and the
  // remaining bytes are left untouched. decrypt gives the same bytes as decryptBlock on each block
  // in turn, but works on several blocks at once: the keys of a block follow from the ciphertext
  // before it, so their rounds are independent and interleave.
  void encrypt(uint8_t* data, size_t size);
  void decrypt(uint8_t* data, size_t size);
  // decrypt without the vector path (eight blocks per step, byte substitution by shuffles) that it
  // takes on processors with AVX2: the same bytes and key words, slower.
  void decryptPortable(uint8_t* data, size_t size);
  // True when decrypt takes the vector path on this processor.
  static bool hasVectorPath();

 private:
  static constexpr int kLanes = 4;  // blocks decrypted side by side
  struct InitialState {};
  // Runs the key set-up of the empty password (the default constructor copies its result).
  explicit Rar20Cipher(InitialState);

  uint32_t substitute(uint32_t word) const {
    return _shifted[0][word & 0xFF] | _shifted[1][(word >> 8) & 0xFF] | _shifted[2][(word >> 16) & 0xFF] |
           _shifted[3][word >> 24];
  }
  // The rounds of one block, without the key update.
  void transformBlock(uint8_t block[kBlockSize], bool decrypting) const;
  // Decrypts kLanes consecutive blocks and advances the key words past them.
  void decryptLanes(uint8_t* blocks);
  // Decrypts the whole groups of eight blocks at the start of data (AVX2) and advances the key
  // words past them; returns the bytes done.
  size_t decryptVector(uint8_t* data, size_t size);
  // Key words ^= CRC-table entries of the 16 ciphertext bytes (byte 4g + n goes to key word n).
  void updateKeys(const uint8_t block[kBlockSize]);
  void wipe();

  uint32_t _key[4];
  uint8_t _table[256];  // substitution table, a permutation of 0..255
  // _shifted[n][x] = _table[x] << 8n: the substitution of a word is four lookups ORed together.
  uint32_t _shifted[4][256];
};
