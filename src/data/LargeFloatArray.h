// LargeFloatArray: a zero-filled float array for the table's big blocks (the
// values and the difference matrix). Its pages are mapped and filled by the
// kernel in one go: touching hundreds of megabytes page by page costs several
// times more, on virtual machines most of all, than the work done on them.
#pragma once

#include <cstddef>

class LargeFloatArray {
public:
    LargeFloatArray() = default;
    ~LargeFloatArray();
    LargeFloatArray(const LargeFloatArray&) = delete;
    LargeFloatArray& operator=(const LargeFloatArray&) = delete;

    // Replaces the contents with `count` zeros (count 0 releases the memory).
    void assignZeros(size_t count);
    void release();

    float* data() { return values; }
    const float* data() const { return values; }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    float& operator[](size_t i) { return values[i]; }
    const float& operator[](size_t i) const { return values[i]; }

private:
    float* values = nullptr;
    size_t count = 0;
    size_t mappedBytes = 0;  // 0 when the memory came from the heap
};
