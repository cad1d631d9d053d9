// memcpy, memmove and memset as WebAssembly's own bulk memory instructions
// (memory.copy, memory.fill), in place of the C library's loops of loads and
// stores and its call out to JavaScript for copies of 512 bytes and more.
// Compiled with -mbulk-memory, the builtins below become single
// instructions; these definitions come before the C library's at link time,
// so the prebuilt C and C++ libraries and SQLite use them too. WebAssembly
// build only.
#include <stddef.h>

void* memcpy(void* restrict dest, const void* restrict src, size_t n) { return __builtin_memcpy(dest, src, n); }

void* memmove(void* dest, const void* src, size_t n) { return __builtin_memmove(dest, src, n); }

void* memset(void* dest, int c, size_t n) { return __builtin_memset(dest, c, n); }
