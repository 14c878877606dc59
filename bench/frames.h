/*
 * Frame input shared by the save benchmark and its libxlsxwriter peer: the
 * sampled frames as the frame converter sees them (every 4th pixel of a
 * 640x480 picture, 160x120, each channel rounded down to a multiple of 8),
 * stored one after another as R, G, B bytes by "bench_save prepare".
 */
#ifndef VEL_BENCH_FRAMES_H
#define VEL_BENCH_FRAMES_H

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "process.h"

#define FULL_W 640   /* pixel columns of the full frame */
#define FRAME_W 160
#define FRAME_H 120
#define FRAME_BYTES (FRAME_W * FRAME_H * 3)

static long bench_file_size(const char *path) {
    FILE *f = fopen(path, "rb");
    long n;
    if (!f) return -1;
    fseek(f, 0, SEEK_END);
    n = ftell(f);
    fclose(f);
    return n;
}

#endif
