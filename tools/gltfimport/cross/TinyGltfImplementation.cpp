// The cross build's tinygltf: Debian's libtinygltf-dev is its header, whose implementation is
// compiled here for Windows (the native build links Debian's library instead).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
