// Keeps memory the program frees for its own reuse instead of handing it
// back to the system at once.
#pragma once

// A search frees and takes again the same few megabytes for each catalogue;
// on a virtual machine each page the system hands out anew costs tens of
// microseconds, which made up most of a selective search's time. Only large
// blocks (1 MiB and up) still go back as soon as they are freed.
void ReuseFreedMemory();
