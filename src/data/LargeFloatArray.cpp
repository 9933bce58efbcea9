#include "data/LargeFloatArray.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {
// Under AddressSanitizer the heap is used instead, so that any access past
// the end of an array is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeArrays = false;
#else
constexpr bool kMapLargeArrays = true;
#endif
}  // namespace

void LargeFloatArray::assignZeros(size_t newCount) {
    release();
    if (newCount == 0) return;
    const size_t bytes = newCount * sizeof(float);
    void* address = kMapLargeArrays ? ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0)
                                    : MAP_FAILED;
    if (address != MAP_FAILED) {
        mappedBytes = bytes;
    } else {
        address = std::calloc(newCount, sizeof(float));
        if (address == nullptr) throw std::bad_alloc();
    }
    values = static_cast<float*>(address);
    count = newCount;
}

void LargeFloatArray::release() {
    if (values != nullptr) {
        if (mappedBytes != 0) {
            ::munmap(values, mappedBytes);
        } else {
            std::free(values);
        }
    }
    values = nullptr;
    count = 0;
    mappedBytes = 0;
}

LargeFloatArray::~LargeFloatArray() { release(); }
