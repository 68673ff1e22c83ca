/* Interface of the sprite-drawing plug-in: file layout, target descriptor, error codes, entry points. */
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(SPRDLL_BUILD)
#define SPRDLL_API __attribute__((visibility("default")))
#else
#define SPRDLL_API
#endif

/* Checked by SprDll_Init so that a front end never drives a plug-in of another layout. */
#define SPRDLL_INTERFACE_VERSION 1

/* File layout shared by banks and SPW files (little-endian, see docs/sprites.md). */
#define SPR_MAGIC_BANK "SPRVELK "
#define SPR_MAGIC_BANK1 "SPRVELK1" /* runs carry one alpha byte per pixel */
#define SPR_MAGIC_SPW "SPWVELK "
enum {
    SPR_MAGIC_SIZE = 8,
    SPR_FILE_VERSION = 1,
    SPR_HDR_VERSION = 8,
    SPR_HDR_COUNT = 12,
    SPR_HDR_FILESIZE = 16,
    SPR_HDR_STATE = 20,     /* run time: SPR_STATE_READY once checked */
    SPR_HDR_PALFORMAT = 24, /* run time: SPR_PAL_* of the screen palette */
    SPR_HDR_PALSAVED = 28,  /* run time: 1 once SPR_SAVPAL ran */
    SPR_OFS_PALETTE = 32,   /* 256 x RGB */
    SPR_OFS_SAVEDPAL = 800, /* 256 x RGB, run time */
    SPR_OFS_SCREENPAL = 1568, /* 256 x u32, run time */
    SPR_OFS_TABLE = 2592,   /* count entries of SPR_ENTRY_SIZE bytes */
    SPR_ENTRY_SIZE = 20,    /* u32 offset, u32 size, u16 width, u16 height, i32 x, i32 y */
    SPR_MAX_COUNT = 65535,
};
#define SPR_STATE_READY 0x59444552u /* "REDY" */

/* What CONV_SPR32_64 expects the file to be. */
enum { SPR_KIND_BANK = 0, SPR_KIND_SPW = 1 };

/* Format of the screen palette held in the bank. */
enum { SPR_PAL_NONE = 0, SPR_PAL_555 = 15, SPR_PAL_565 = 16, SPR_PAL_8888 = 32 };

/* Result codes; the front end turns them into texts. */
enum {
    SPR_OK = 0,
    SPR_ERR_NOTSPR = 1,
    SPR_ERR_NOTSPW = 2,
    SPR_ERR_CORRUPT = 3,
    SPR_ERR_VERSION = 4,
    SPR_ERR_NOTREADY = 5,
    SPR_ERR_INDEX = 6,
    SPR_ERR_TARGET = 7,
    SPR_ERR_FORMAT = 8,
    SPR_ERR_PARAM = 9,
    SPR_ERR_NOSAVE = 10,
    SPR_ERR_NOINIT = 11,
    SPR_ERR_INTERFACE = 12,
    SPR_ERR_COUNT = 13,
};

/* Inclusive rectangle, same order as ClipRect. */
typedef struct SprClip {
    int32_t top;
    int32_t bottom;
    int32_t right;
    int32_t left;
} SprClip;

/* Where a draw goes: nothing is written outside the surface nor outside the clip. */
typedef struct SprTarget {
    void* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch; /* in pixels */
    int32_t bpp;   /* 16 or 32 (x8r8g8b8) */
    int32_t is565; /* 16 bpp: 1 for 5-6-5, 0 for 5-5-5 */
    SprClip clip;
} SprTarget;

/* Levels run from 0 to 256: transparency 256 is opaque, shadow 256 is black. */
typedef int32_t SprDllInitFn(int32_t interfaceVersion, int32_t* variant);
typedef void SprDllFreeFn(void);
typedef int32_t SprAffFn(const SprTarget* target, const void* bank, int32_t n, int32_t x, int32_t y);
typedef int32_t SprAffLevelFn(const SprTarget* target, const void* bank, int32_t n, int32_t x, int32_t y,
                              int32_t level);
typedef int32_t SprPalFn(void* bank);
typedef int32_t SprPalArgFn(void* bank, int32_t arg);
typedef int32_t SprRepalFn(void* bank, const uint8_t* rgb768);
typedef int32_t SprGetPairFn(const void* bank, int32_t n, int32_t* a, int32_t* b);
typedef int32_t SprSetPairFn(void* bank, int32_t n, int32_t a, int32_t b);
typedef int32_t SprGetSizeFn(const void* bank, int32_t n, uint32_t* bytes);
typedef int32_t SprCountFn(const void* bank, int32_t* count);
typedef int32_t SprConvFn(void* data, uint32_t size, int32_t kind);

/* Must succeed before any other routine; reports the variant (5 or 6) it was built as. */
SPRDLL_API SprDllInitFn SprDll_Init;
SPRDLL_API SprDllFreeFn SprDll_Free;

/* Drawing: a bank sprite puts its hot spot on (x, y); an SPW frame puts its corner on (x, y) + its offset. */
SPRDLL_API SprAffFn AFF_SPR;          /* opaque */
SPRDLL_API SprAffFn AFF_SPW;          /* opaque, SPW files only */
SPRDLL_API SprAffFn AFF_SPRTRS50;     /* (d + s) / 2 */
SPRDLL_API SprAffLevelFn AFF_SPRTRS;  /* (s * level + d * (256 - level)) / 256 */
SPRDLL_API SprAffFn AFF_SPRALPHA;     /* per-pixel alpha of "SPRVELK1" banks, 255 elsewhere */
SPRDLL_API SprAffFn AFF_SPRECL;       /* saturated d + s */
SPRDLL_API SprAffLevelFn AFF_SPROMB;  /* d * (256 - level) / 256 under the sprite's pixels */

/* Palette: converts the bank's RGB palette into its screen palette; the others re-convert. */
SPRDLL_API SprPalFn SPR_CONVPAL32;
SPRDLL_API SprPalArgFn SPR_CONVPAL16;  /* arg: 1 for 5-6-5, 0 for 5-5-5 */
SPRDLL_API SprPalFn SPR_SAVPAL;
SPRDLL_API SprPalFn SPR_RESTOPAL;
SPRDLL_API SprPalArgFn SPR_OMBREPAL;   /* arg: darkening level 0..256 */
SPRDLL_API SprRepalFn SPR_REPAL;

/* Bank queries: packed byte size, width/height, hot spot (SPW: frame offset), count. */
SPRDLL_API SprGetSizeFn GET_SPRZ;
SPRDLL_API SprGetPairFn GET_SPRT;
SPRDLL_API SprSetPairFn MOD_SPROFF;
SPRDLL_API SprGetPairFn GET_SPROFF;
SPRDLL_API SprCountFn GET_NBSPR;

/* Checks a file read into memory (every count, offset and run against its size) and makes it ready. */
SPRDLL_API SprConvFn CONV_SPR32_64;

#ifdef __cplusplus
}
#endif
