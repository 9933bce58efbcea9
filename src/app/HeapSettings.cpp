#include "app/HeapSettings.h"

#include <malloc.h>

namespace {

constexpr int kMapThresholdBytes = 32 << 20;
constexpr int kTrimThresholdBytes = 64 << 20;

}  // namespace

void settleHeapForFrames() {
    mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
    mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
}
