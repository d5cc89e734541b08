// Keeps memory the program frees for its own reuse instead of handing it
// back to the system at once.
#pragma once

// A search frees and takes again the same few megabytes for each catalogue;
// on a virtual machine each page the system hands out anew costs tens of
// microseconds, which made up most of a selective search's time. Blocks of
// 128 KiB and more still go back as soon as they are freed, so the memory of
// a dupe: search, in such blocks, does not grow by being kept.
void ReuseFreedMemory();
