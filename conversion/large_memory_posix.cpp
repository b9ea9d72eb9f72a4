#include "conversion/large_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace LargeMemory {

void* Allocate(std::size_t size)
{
    if (size < kLargeBlock) {
        return ::operator new(size);
    }
    // The kernel puts huge pages only on aligned 2 MiB ranges: map one more
    // than needed and give back what lies outside the aligned ones.
    const std::size_t length = RoundUp(size, kLargeBlock);
    void* mapped = mmap(nullptr, length + kLargeBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    char* const start = static_cast<char*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    char* const block = start + (RoundUp(address, kLargeBlock) - address);
    if (block != start) {
        munmap(start, static_cast<std::size_t>(block - start));
    }
    munmap(block + length, static_cast<std::size_t>(start + kLargeBlock - block));
    // Advice only: without transparent huge pages the block has ordinary ones.
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void Release(void* block, std::size_t size) noexcept
{
    if (size < kLargeBlock) {
        ::operator delete(block);
    } else if (block != nullptr) {
        munmap(block, RoundUp(size, kLargeBlock));
    }
}

}  // namespace LargeMemory
