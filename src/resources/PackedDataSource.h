#pragma once
// The packed bytes of one pack entry: read from the pack in portions of at most the entry's
// remaining packed size, and decrypted in 16-byte blocks as they are read when a cipher is given.
#include <cstdint>

class PackInput;
class Rar20Cipher;

class PackedDataSource {
 public:
  // input positioned at the entry's packed data; packedSize bytes belong to the entry (the caller
  // has checked that the pack holds them). input and cipher (may be null: no decryption) are kept
  // by pointer and must outlive the source.
  PackedDataSource(PackInput* input, uint32_t packedSize, Rar20Cipher* cipher);

  // Reads up to maxBytes into destination; returns the count read (0 at the end of the entry or
  // on a read error). A portion whose size is not a multiple of 16 leaves its trailing partial
  // block undecrypted.
  int read(uint8_t* destination, int maxBytes);

  uint32_t remaining() const { return _remaining; }  // bytes of the entry not yet read

 private:
  PackInput* _input;
  uint32_t _remaining;  // bytes
  Rar20Cipher* _cipher;
};
