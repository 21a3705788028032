#pragma once

// Figures about this process, read from the kernel.

// CPU time (user + system) of the whole process, in seconds.
double processCpuSeconds();

// CPU time of the calling thread, in seconds.
double threadCpuSeconds();

// Resident memory (VmRSS) in kB, or -1 when it cannot be read.
long residentKb();

// Seconds since the kernel started this process (10 ms resolution), or -1.
double secondsSinceProcessStart();
