#include "Rar20Cipher.h"

#include <zlib.h>

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RK17_CIPHER_VECTOR 1
#else
#define RK17_CIPHER_VECTOR 0
#endif

namespace {
// The published initial key words and substitution table of the RAR 2.0 cipher.
constexpr uint32_t kInitialKey[4] = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u, 0xA4E7F123u};

// Kept at 16 bytes a line, as published.
// clang-format off
constexpr uint8_t kInitialTable[256] = {
    0xD7, 0x13, 0x95, 0x23, 0x49, 0xC5, 0xC0, 0xCD, 0xF9, 0x1C, 0x10, 0x77, 0x30, 0xDD, 0x02, 0x2A,
    0xE8, 0x01, 0xB1, 0xE9, 0x0E, 0x58, 0xDB, 0x19, 0xDF, 0xC3, 0xF4, 0x5A, 0x57, 0xEF, 0x99, 0x89,
    0xFF, 0xC7, 0x93, 0x46, 0x5C, 0x42, 0xF6, 0x0D, 0xD8, 0x28, 0x3E, 0x1D, 0xD9, 0xE6, 0x56, 0x06,
    0x47, 0x18, 0xAB, 0xC4, 0x65, 0x71, 0xDA, 0x7B, 0x5D, 0x5B, 0xA3, 0xB2, 0xCA, 0x43, 0x2C, 0xEB,
    0x6B, 0xFA, 0x4B, 0xEA, 0x31, 0xA7, 0x7D, 0xD3, 0x53, 0x72, 0x9D, 0x90, 0x20, 0xC1, 0x8F, 0x24,
    0x9E, 0x7C, 0xF7, 0xBB, 0x59, 0xD6, 0x8D, 0x2F, 0x79, 0xE4, 0x3D, 0x82, 0xD5, 0xC2, 0xAE, 0xFB,
    0x61, 0x6E, 0x36, 0xE5, 0x73, 0x39, 0x98, 0x5E, 0x69, 0xF3, 0xD4, 0x37, 0xD1, 0xF5, 0x3F, 0x0B,
    0xA4, 0xC8, 0x1F, 0x9C, 0x51, 0xB0, 0xE3, 0x15, 0x4C, 0x63, 0x8B, 0xBC, 0x7F, 0x11, 0xF8, 0x33,
    0xCF, 0x78, 0xBD, 0xD2, 0x08, 0xE2, 0x29, 0x48, 0xB7, 0xCB, 0x87, 0xA5, 0xA6, 0x3C, 0x62, 0x07,
    0x7A, 0x26, 0x9B, 0xAA, 0x45, 0xAC, 0xFC, 0xEE, 0x27, 0x86, 0x3B, 0x80, 0xEC, 0x1B, 0xF0, 0x50,
    0x83, 0x03, 0x55, 0xCE, 0x91, 0x4F, 0x9A, 0x8E, 0x9F, 0xDC, 0xC9, 0x85, 0x4A, 0x40, 0x14, 0x81,
    0xE0, 0xB9, 0x8A, 0x67, 0xAD, 0xB6, 0x2B, 0x22, 0xFE, 0x52, 0xC6, 0x97, 0xE7, 0xB4, 0x3A, 0x0A,
    0x76, 0x1A, 0x66, 0x0C, 0x32, 0x84, 0x16, 0xBF, 0x88, 0x6F, 0xA2, 0xB3, 0x2D, 0x04, 0x94, 0x6C,
    0xA1, 0x38, 0x4E, 0x7E, 0xF2, 0xDE, 0x0F, 0xAF, 0x92, 0x17, 0x21, 0xF1, 0xB5, 0xBE, 0x4D, 0xE1,
    0x00, 0x2E, 0xA9, 0xBA, 0x44, 0x5F, 0xED, 0x41, 0x35, 0xD0, 0xFD, 0xA8, 0x09, 0x12, 0x64, 0x34,
    0x74, 0xB8, 0xA0, 0x60, 0x6D, 0x25, 0x1E, 0x6A, 0x8C, 0x68, 0x96, 0x05, 0xCC, 0x75, 0x70, 0x54,
};
// clang-format on

constexpr int kRounds = 32;

inline uint32_t rotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

inline uint32_t loadLittle(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void storeLittle(uint8_t* p, uint32_t value) {
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
  p[2] = uint8_t(value >> 16);
  p[3] = uint8_t(value >> 24);
}

// zlib's table of the reflected polynomial 0xEDB88320, the one the cipher mixes into its keys.
inline const z_crc_t* crcTable() { return get_crc_table(); }

// Clears memory in a way the optimiser may not drop (the bytes are key material): the barrier
// tells the compiler the cleared bytes are read afterwards.
void secureZero(void* data, size_t size) {
#if defined(__GNUC__)
  std::memset(data, 0, size);
  __asm__ __volatile__("" : : "r"(data) : "memory");
#else
  volatile uint8_t* p = static_cast<volatile uint8_t*>(data);
  while (size--) *p++ = 0;
#endif
}
}  // namespace

// The empty password's state is computed once and copied: ciphers are made for every pack read,
// most of them never decrypt.
Rar20Cipher::Rar20Cipher() {
  static const Rar20Cipher initial(InitialState{});
  *this = initial;
}

Rar20Cipher::Rar20Cipher(InitialState) { setPassword(nullptr, 0); }

Rar20Cipher::~Rar20Cipher() { wipe(); }

void Rar20Cipher::wipe() {
  secureZero(_key, sizeof(_key));
  secureZero(_table, sizeof(_table));
  secureZero(_shifted, sizeof(_shifted));
}

void Rar20Cipher::setPassword(const char* password) {
  size_t length = password ? std::strlen(password) : 0;
  setPassword(reinterpret_cast<const uint8_t*>(password), length);
}

void Rar20Cipher::setPassword(const uint8_t* password, size_t length) {
  std::memcpy(_key, kInitialKey, sizeof(_key));
  std::memcpy(_table, kInitialTable, sizeof(_table));
  if (length > kMaxPasswordSize) length = kMaxPasswordSize;

  // Zero-filled copy: the pairwise shuffle reads one byte past an odd length.
  uint8_t copy[kMaxPasswordSize + 1] = {};
  if (length > 0) std::memcpy(copy, password, length);

  const z_crc_t* crc = crcTable();
  for (unsigned j = 0; j < 256; ++j) {
    for (size_t i = 0; i < length; i += 2) {
      unsigned n1 = uint8_t(crc[uint8_t(copy[i] - j)]);
      unsigned n2 = uint8_t(crc[uint8_t(copy[i + 1] + j)]);
      for (unsigned k = 1; n1 != n2; ++k) {
        unsigned other = (n1 + i + k) & 0xFF;
        uint8_t swap = _table[n1];
        _table[n1] = _table[other];
        _table[other] = swap;
        n1 = (n1 + 1) & 0xFF;
      }
    }
  }
  // The substitution tables of the rounds, pre-shifted to the four byte places of a word.
  for (int n = 0; n < 4; ++n) {
    for (int x = 0; x < 256; ++x) _shifted[n][x] = uint32_t(_table[x]) << (8 * n);
  }
  // The blocks of the copy that hold password bytes (the last one padded with zeros; 255 + 1
  // bytes make exactly 16 blocks, so it never runs past the buffer).
  for (size_t offset = 0; offset < length; offset += kBlockSize) encryptBlock(copy + offset);
  secureZero(copy, sizeof(copy));
}

void Rar20Cipher::updateKeys(const uint8_t block[kBlockSize]) {
  const z_crc_t* crc = crcTable();
  for (int group = 0; group < 16; group += 4) {
    for (int n = 0; n < 4; ++n) _key[n] ^= uint32_t(crc[block[group + n]]);
  }
}

void Rar20Cipher::transformBlock(uint8_t block[kBlockSize], bool decrypting) const {
  uint32_t a = loadLittle(block) ^ _key[0];
  uint32_t b = loadLittle(block + 4) ^ _key[1];
  uint32_t c = loadLittle(block + 8) ^ _key[2];
  uint32_t d = loadLittle(block + 12) ^ _key[3];
  // The same round function both ways; decryption takes the round keys in reverse order.
  for (int i = 0; i < kRounds; ++i) {
    const int round = decrypting ? kRounds - 1 - i : i;
    const uint32_t k = _key[round & 3];
    uint32_t t = (c + rotateLeft(d, 11)) ^ k;
    const uint32_t ta = a ^ substitute(t);
    t = (d ^ rotateLeft(c, 17)) + k;
    const uint32_t tb = b ^ substitute(t);
    a = c;
    b = d;
    c = ta;
    d = tb;
  }
  storeLittle(block, c ^ _key[0]);
  storeLittle(block + 4, d ^ _key[1]);
  storeLittle(block + 8, a ^ _key[2]);
  storeLittle(block + 12, b ^ _key[3]);
}

void Rar20Cipher::encryptBlock(uint8_t block[kBlockSize]) {
  transformBlock(block, false);
  updateKeys(block);  // keys follow the encrypted bytes
}

void Rar20Cipher::decryptBlock(uint8_t block[kBlockSize]) {
  uint8_t encrypted[kBlockSize];
  std::memcpy(encrypted, block, kBlockSize);
  transformBlock(block, true);
  updateKeys(encrypted);
}

void Rar20Cipher::encrypt(uint8_t* data, size_t size) {
  for (size_t offset = 0; offset + kBlockSize <= size; offset += kBlockSize) encryptBlock(data + offset);
}

void Rar20Cipher::decryptLanes(uint8_t* blocks) {
  // Each lane is one block with its own key words, kept in scalars so that the four chains of
  // dependent lookups stay in registers and overlap.
  struct Lane {
    uint32_t k0, k1, k2, k3;
    uint32_t a, b, c, d;
  };
  Lane lane[kLanes];
  const z_crc_t* crc = crcTable();
  for (int n = 0; n < kLanes; ++n) {
    const uint8_t* block = blocks + n * kBlockSize;
    lane[n] = {_key[0],
               _key[1],
               _key[2],
               _key[3],
               loadLittle(block) ^ _key[0],
               loadLittle(block + 4) ^ _key[1],
               loadLittle(block + 8) ^ _key[2],
               loadLittle(block + 12) ^ _key[3]};
    for (int m = 0; m < 4; ++m) {
      _key[m] ^= uint32_t(crc[block[m]] ^ crc[block[4 + m]] ^ crc[block[8 + m]] ^ crc[block[12 + m]]);
    }
  }
  // The rounds of transformBlock in reverse key order, four at a time so that the words trade
  // places by name instead of by moves.
  const uint32_t(*shifted)[256] = _shifted;
  auto sub = [shifted](uint32_t w) {
    return shifted[0][w & 0xFF] | shifted[1][(w >> 8) & 0xFF] | shifted[2][(w >> 16) & 0xFF] | shifted[3][w >> 24];
  };
  auto round = [&sub](uint32_t& x, uint32_t& y, uint32_t z, uint32_t w, uint32_t k) {
    x ^= sub((z + rotateLeft(w, 11)) ^ k);
    y ^= sub((w ^ rotateLeft(z, 17)) + k);
  };
  Lane l0 = lane[0], l1 = lane[1], l2 = lane[2], l3 = lane[3];
  static_assert(kLanes == 4, "the rounds below name four lanes");
  for (int i = 0; i < kRounds; i += 2) {
    const bool odd = (i & 2) == 0;  // key words 3 and 2 first, then 1 and 0
    const uint32_t k0a = odd ? l0.k3 : l0.k1, k0b = odd ? l0.k2 : l0.k0;
    const uint32_t k1a = odd ? l1.k3 : l1.k1, k1b = odd ? l1.k2 : l1.k0;
    const uint32_t k2a = odd ? l2.k3 : l2.k1, k2b = odd ? l2.k2 : l2.k0;
    const uint32_t k3a = odd ? l3.k3 : l3.k1, k3b = odd ? l3.k2 : l3.k0;
    round(l0.a, l0.b, l0.c, l0.d, k0a);
    round(l1.a, l1.b, l1.c, l1.d, k1a);
    round(l2.a, l2.b, l2.c, l2.d, k2a);
    round(l3.a, l3.b, l3.c, l3.d, k3a);
    round(l0.c, l0.d, l0.a, l0.b, k0b);
    round(l1.c, l1.d, l1.a, l1.b, k1b);
    round(l2.c, l2.d, l2.a, l2.b, k2b);
    round(l3.c, l3.d, l3.a, l3.b, k3b);
  }
  lane[0] = l0;
  lane[1] = l1;
  lane[2] = l2;
  lane[3] = l3;
  for (int n = 0; n < kLanes; ++n) {
    uint8_t* block = blocks + n * kBlockSize;
    storeLittle(block, lane[n].c ^ lane[n].k0);
    storeLittle(block + 4, lane[n].d ^ lane[n].k1);
    storeLittle(block + 8, lane[n].a ^ lane[n].k2);
    storeLittle(block + 12, lane[n].b ^ lane[n].k3);
  }
}

#if RK17_CIPHER_VECTOR
namespace {
using Vector = __m256i;

// The substitution of every byte of w: the table is sixteen 16-byte sections; section h
// looks up the bytes whose high nibble is h. XOR with h << 4 leaves those bytes at 0..15 and
// every other byte at 16 or more; adding 0x70 with saturation then sets the top bit of the others,
// which makes the shuffle give 0 for them.
__attribute__((target("avx2"))) inline Vector substituteBytes(Vector w, const Vector* sections,
                                                              const Vector* highNibbles) {
  const Vector bias = _mm256_set1_epi8(0x70);
  Vector even = _mm256_shuffle_epi8(sections[0], _mm256_adds_epu8(w, bias));
  Vector odd = _mm256_shuffle_epi8(sections[1], _mm256_adds_epu8(_mm256_xor_si256(w, highNibbles[1]), bias));
  for (int h = 2; h < 16; h += 2) {
    even = _mm256_or_si256(
        even, _mm256_shuffle_epi8(sections[h], _mm256_adds_epu8(_mm256_xor_si256(w, highNibbles[h]), bias)));
    odd = _mm256_or_si256(
        odd, _mm256_shuffle_epi8(sections[h + 1], _mm256_adds_epu8(_mm256_xor_si256(w, highNibbles[h + 1]), bias)));
  }
  return _mm256_or_si256(even, odd);
}

__attribute__((target("avx2"))) inline Vector rotateLeftVector(Vector v, int bits) {
  return _mm256_or_si256(_mm256_slli_epi32(v, bits), _mm256_srli_epi32(v, 32 - bits));
}

// One round on eight blocks at once (one block per 32-bit lane), as in Rar20Cipher::transformBlock.
__attribute__((target("avx2"))) inline void vectorRound(Vector& x, Vector& y, Vector z, Vector w, Vector k,
                                                        const Vector* sections, const Vector* highNibbles) {
  x = _mm256_xor_si256(
      x, substituteBytes(_mm256_xor_si256(_mm256_add_epi32(z, rotateLeftVector(w, 11)), k), sections, highNibbles));
  y = _mm256_xor_si256(
      y, substituteBytes(_mm256_add_epi32(_mm256_xor_si256(w, rotateLeftVector(z, 17)), k), sections, highNibbles));
}

__attribute__((target("avx2"))) size_t decryptEights(const uint8_t table[256], uint32_t key[4], const z_crc_t* crc,
                                                     uint8_t* data, size_t size) {
  constexpr size_t kGroup = 8 * Rar20Cipher::kBlockSize;
  Vector sections[16];
  Vector highNibbles[16];
  for (int h = 0; h < 16; ++h) {
    sections[h] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * h)));
    highNibbles[h] = _mm256_set1_epi8(char(h << 4));
  }
  size_t offset = 0;
  for (; offset + kGroup <= size; offset += kGroup) {
    // Word m of block n in lane n; the keys of each block follow from the ciphertext before it.
    alignas(32) uint32_t keys[4][8];
    alignas(32) uint32_t words[4][8];
    for (int n = 0; n < 8; ++n) {
      const uint8_t* block = data + offset + n * Rar20Cipher::kBlockSize;
      for (int m = 0; m < 4; ++m) {
        keys[m][n] = key[m];
        words[m][n] = loadLittle(block + 4 * m) ^ key[m];
      }
      for (int m = 0; m < 4; ++m) {
        key[m] ^= uint32_t(crc[block[m]] ^ crc[block[4 + m]] ^ crc[block[8 + m]] ^ crc[block[12 + m]]);
      }
    }
    Vector a = _mm256_load_si256(reinterpret_cast<const Vector*>(words[0]));
    Vector b = _mm256_load_si256(reinterpret_cast<const Vector*>(words[1]));
    Vector c = _mm256_load_si256(reinterpret_cast<const Vector*>(words[2]));
    Vector d = _mm256_load_si256(reinterpret_cast<const Vector*>(words[3]));
    const Vector k0 = _mm256_load_si256(reinterpret_cast<const Vector*>(keys[0]));
    const Vector k1 = _mm256_load_si256(reinterpret_cast<const Vector*>(keys[1]));
    const Vector k2 = _mm256_load_si256(reinterpret_cast<const Vector*>(keys[2]));
    const Vector k3 = _mm256_load_si256(reinterpret_cast<const Vector*>(keys[3]));
    // Decryption takes the round keys 3, 2, 1, 0, 3, ...
    for (int i = 0; i < kRounds; i += 4) {
      vectorRound(a, b, c, d, k3, sections, highNibbles);
      vectorRound(c, d, a, b, k2, sections, highNibbles);
      vectorRound(a, b, c, d, k1, sections, highNibbles);
      vectorRound(c, d, a, b, k0, sections, highNibbles);
    }
    _mm256_store_si256(reinterpret_cast<Vector*>(words[0]), _mm256_xor_si256(c, k0));
    _mm256_store_si256(reinterpret_cast<Vector*>(words[1]), _mm256_xor_si256(d, k1));
    _mm256_store_si256(reinterpret_cast<Vector*>(words[2]), _mm256_xor_si256(a, k2));
    _mm256_store_si256(reinterpret_cast<Vector*>(words[3]), _mm256_xor_si256(b, k3));
    for (int n = 0; n < 8; ++n) {
      uint8_t* block = data + offset + n * Rar20Cipher::kBlockSize;
      for (int m = 0; m < 4; ++m) storeLittle(block + 4 * m, words[m][n]);
    }
  }
  return offset;
}

bool detectVectorPath() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
}  // namespace

bool Rar20Cipher::hasVectorPath() {
  static const bool available = detectVectorPath();
  return available;
}

size_t Rar20Cipher::decryptVector(uint8_t* data, size_t size) {
  return decryptEights(_table, _key, crcTable(), data, size);
}
#else
bool Rar20Cipher::hasVectorPath() { return false; }

size_t Rar20Cipher::decryptVector(uint8_t*, size_t) { return 0; }
#endif

void Rar20Cipher::decrypt(uint8_t* data, size_t size) {
  size_t done = hasVectorPath() ? decryptVector(data, size) : 0;
  decryptPortable(data + done, size - done);
}

void Rar20Cipher::decryptPortable(uint8_t* data, size_t size) {
  size_t offset = 0;
  for (; offset + kLanes * kBlockSize <= size; offset += kLanes * kBlockSize) decryptLanes(data + offset);
  for (; offset + kBlockSize <= size; offset += kBlockSize) decryptBlock(data + offset);
}
