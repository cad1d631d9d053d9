#pragma once
// The browser maps a WebAssembly memory's pages on their first write, a
// fault per 4 KiB page, and on a virtual machine the first open of a
// realistic table spent more time in those faults than in its walk. The page
// writes a block of the heap once while it starts and gives it back: the
// allocator hands the same pages to the next allocations, and a
// WebAssembly memory never gives pages back to the system.

#include <cstddef>

namespace artisanscope {

// Allocates bytes, writes every page of them and frees them; does nothing
// when the heap cannot give that much.
void TouchFreshMemory(std::size_t bytes);

}  // namespace artisanscope
