// UninitialisedAllocator: an allocator for vectors of plain numbers whose
// new elements are left uninitialised when the vector grows (resize). For
// buffers whose every element is written before it is read, where zeroing
// first would only cost memory bandwidth.
#pragma once

#include <memory>
#include <new>
#include <utility>

template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    // Default construction: none for plain numbers.
    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};
