/*
 * Clock and peak memory of a benchmark process, for the C and C++ programs
 * of bench/.
 */
#ifndef VEL_BENCH_PROCESS_H
#define VEL_BENCH_PROCESS_H

#include <stdio.h>
#include <string.h>
#include <time.h>

static double bench_now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

/* Peak resident set of this process in KiB (VmHWM). */
static long bench_peak_kib(void) {
    FILE *f = fopen("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    if (!f) return -1;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmHWM:", 6) == 0) sscanf(line + 6, "%ld", &kib);
    fclose(f);
    return kib;
}

#endif
