#include "web/FreshMemory.h"

#include <cstdlib>
#include <cstring>

namespace artisanscope {

namespace {

// Called through a volatile pointer: a block that is filled and freed with
// nothing read from it is otherwise no work at all to the optimiser.
void* (*volatile const fill)(void*, int, std::size_t) = std::memset;

}  // namespace

void TouchFreshMemory(std::size_t bytes) {
    void* block = std::malloc(bytes);
    if (block == nullptr) return;
    fill(block, 0, bytes);
    std::free(block);
}

}  // namespace artisanscope
