// LD_PRELOAD hook for finding which draw makes llvmpipe compile: prints the name of every LLVM
// module the driver creates (fs<N>_variant<M>, draw_llvm_vs_variant<M>, setup_variant_<N>) on
// stdout, flushed in order with what the program prints there (glretrace -v prints each call).
//   LD_PRELOAD=build/bench/playback/libllvm_module_hook.so glretrace -v TRACE
#include <dlfcn.h>

#include <cstdio>

extern "C" void* LLVMModuleCreateWithNameInContext(const char* name, void* context) {
  using Create = void* (*)(const char*, void*);
  static Create next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "LLVMModuleCreateWithNameInContext"));
  std::fflush(stdout);
  std::printf("llvm module %s\n", name ? name : "?");
  std::fflush(stdout);
  return next ? next(name, context) : nullptr;
}
