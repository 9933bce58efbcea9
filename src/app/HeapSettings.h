// The C library's heap, set up for a program that draws frames.
//
// By default the heap hands its top back to the system whenever more than
// 128 KB there is free, until the program first frees a large block. The GL
// driver's bitmap text (the axis labels) takes and frees such a block several
// times a frame, so until then every frame paid for fresh pages: about 20 ms
// more per frame on a small table, and through the whole session when the
// table stays small. These are the values the library's own adjustment
// settles at once a large block has been freed: blocks under 32 MB come from
// the heap, and up to 64 MB free at its top is kept; larger blocks (a big
// table's arrays) are still mapped on their own and returned when freed.
#pragma once

// Call first thing in main(), before anything allocates much.
void settleHeapForFrames();
