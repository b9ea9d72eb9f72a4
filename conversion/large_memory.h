#pragma once

#include <cstddef>
#include <limits>
#include <new>

// Memory for buffers that hold a whole texture or its hex text, with
// contents undefined until written. Blocks of 2 MiB and more come straight
// from the system on huge pages where it grants them (transparent huge pages
// on Linux; large pages on Windows when the account may lock pages in
// memory), so filling hundreds of MiB takes hundreds of page faults rather
// than tens of thousands. Smaller blocks come from operator new.
namespace LargeMemory {

// A huge page on x86-64 and on most arm64 kernels; smaller blocks would gain
// nothing from one.
inline constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

// Throws std::bad_alloc.
void* Allocate(std::size_t size);
// Gives back a block of Allocate; `size` is the one it was asked for.
void Release(void* block, std::size_t size) noexcept;

// `size` rounded up to a multiple of `granule`, a power of two; sizes so
// close to the top of the address space that this would wrap are refused
// with std::bad_alloc.
inline std::size_t RoundUp(std::size_t size, std::size_t granule)
{
    if (size > std::numeric_limits<std::size_t>::max() - 2 * granule) {
        throw std::bad_alloc();
    }
    return (size + granule - 1) & ~(granule - 1);
}

}  // namespace LargeMemory
