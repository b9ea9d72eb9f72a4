#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "conversion/large_memory.h"

// Hands out the memory of texture-sized arrays from LargeMemory::Allocate
// (huge pages where the system grants them), and constructs elements without
// a value: resizing a LargeBuffer leaves new elements unset instead of
// zero-filling memory that is overwritten straight after.
template <typename T>
struct LargeBufferAllocator {
    using value_type = T;

    LargeBufferAllocator() = default;
    template <typename U>
    LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count) { return static_cast<T*>(LargeMemory::Allocate(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { LargeMemory::Release(block, count * sizeof(T)); }

    template <typename U>
    void construct(U* element) noexcept
    {
        ::new (static_cast<void*>(element)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* element, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(element)) U(std::forward<Arguments>(arguments)...);
    }

    friend bool operator==(const LargeBufferAllocator&, const LargeBufferAllocator&) = default;
};

template <typename T>
using LargeBuffer = std::vector<T, LargeBufferAllocator<T>>;
