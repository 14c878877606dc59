// The platform file layer (aod_ functions) on POSIX.
#pragma once
#include <cstddef>

struct MFileTable;

// Platform file layer.
// Origins of aod_fseek.
constexpr int AOD_SEEK_SET = 1;
constexpr int AOD_SEEK_END = 2;
constexpr int AOD_SEEK_CUR = 3;

struct AOD_FILE {
    int fd;
    int mode;
    // Read-ahead used by aod_fgets only; the other operations give the unread
    // part back to the descriptor before they touch it.
    int ahead_pos;
    int ahead_len;
    unsigned char ahead[4096];
};
AOD_FILE *aod_fopen(const char *path, int mode);
int aod_fclose(AOD_FILE *f);
size_t aod_fread(void *buffer, size_t count, AOD_FILE *f);
size_t aod_fwrite(const void *buffer, size_t count, AOD_FILE *f);
int aod_fseek(AOD_FILE *f, long offset, int origin);
int aod_fsze(const char *path, long *size);
// Mode 0 loads a memory file of `memory`, any other mode a disk file.
// *buffer is allocated with malloc (release it with free); *length, when
// given, receives the byte count without the terminating zero.
int aod_fload(int mode, const char *path, char **buffer, long *length, MFileTable *memory = nullptr);
int aod_fgets(char *buffer, int size, AOD_FILE *f);
int aod_modpath(char *buffer); // buffer of 256 bytes
