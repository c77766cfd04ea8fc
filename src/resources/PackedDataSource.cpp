#include "PackedDataSource.h"

#include "Rar20Cipher.h"

PackedDataSource::PackedDataSource(std::FILE* file, uint32_t packedSize, Rar20Cipher* cipher)
    : _file(file), _remaining(packedSize), _cipher(cipher) {}

int PackedDataSource::read(uint8_t* destination, int maxBytes) {
  if (maxBytes <= 0 || _remaining == 0 || !_file) return 0;
  uint32_t wanted = uint32_t(maxBytes) < _remaining ? uint32_t(maxBytes) : _remaining;
  size_t got = std::fread(destination, 1, wanted, _file);
  _remaining -= uint32_t(got);
  if (got < wanted) _remaining = 0;  // a short read means the file ended: nothing more will come
  if (_cipher) _cipher->decrypt(destination, got);
  return int(got);
}
