/* libzuno: the Quillo engine. Flat C interface, one process-wide engine state.
 *
 * Strings are NUL-terminated UTF-8. A "text" is read only. A "buffer" is the
 * address of a variable that holds the address of a caller-owned writable area
 * of at least ZUNO_BUFSIZE bytes; the engine never writes more than that.
 * Results: 0 success, -1 failure (reason in ZunoGetLastErr), -69 engine busy. */
#ifndef ZUNO_H
#define ZUNO_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default)

#define ZUNO_BUFSIZE 256
#define ZUNO_BUSY (-69)
#define ZUNO_INI_BACKUP_GOOD (-2) /* ZunoInit: quillo.ini unusable, quillo.ibk holds good settings */

/* Setting numbers for ZunoGet/ZunoPut/ZunoGetStr/ZunoPutStr, named as their keys in
 * quillo.ini ("Y/XRatio" without its slash). */
enum ZunoSettingNumber {
  ZUNO_TargetPath = 1,
  ZUNO_Priority = 2,
  ZUNO_CurrentWidth = 3,
  ZUNO_CurrentHight = 4,
  ZUNO_CurrentScale = 5,
  ZUNO_SearchSubdir = 6,
  ZUNO_SubdirDepth = 7,
  ZUNO_OutputPath = 8,
  ZUNO_ExecPath = 9,
  ZUNO_IniPath = 10,
  ZUNO_WindowSize = 11,
  ZUNO_TempPath = 12,
  ZUNO_BgColor = 13,
  ZUNO_TextColor = 14,
  ZUNO_LinkColor = 15,
  ZUNO_ALinkColor = 16,
  ZUNO_VLinkColor = 17,
  ZUNO_FrameStyle = 18,
  ZUNO_FrameSizeRatio = 19,
  ZUNO_PageingStyle = 20,
  ZUNO_OnePageMax = 21,
  ZUNO_OnePageNum = 22,
  ZUNO_SearchSizeType = 23,
  ZUNO_MaxX = 24,
  ZUNO_MaxY = 25,
  ZUNO_Banner = 26,
  ZUNO_BannerX = 27,
  ZUNO_BannerY = 28,
  ZUNO_YXRatio = 29,
  ZUNO_GetUrl = 30,
  ZUNO_SortType = 31,
  ZUNO_SortMode = 32,
  ZUNO_FileCopy = 33,
  ZUNO_CopyMode = 34,
  ZUNO_BackGraund = 35,
  ZUNO_BgFix = 36,
  ZUNO_HtmlOut = 37,
  ZUNO_CacheLimit = 38,
  ZUNO_CacheSize = 39,
  ZUNO_CacheX = 40,
  ZUNO_CacheY = 41,
  ZUNO_CacheSRatio = 42,
  ZUNO_CacheBanner = 43,
  ZUNO_UnderLimits = 44,
  ZUNO_CpuPriority = 45,
  ZUNO_IndexRatio = 46,
  ZUNO_CntlRatio = 47,
  ZUNO_DelCache = 48,
  ZUNO_CacheHRatio = 49,
  ZUNO_BannerMargin = 50,
  ZUNO_MakeThumbnail = 51,
  ZUNO_UseYXRatio = 52,
  ZUNO_EnableFileType = 53,
  ZUNO_ShowZunoP = 54,
  ZUNO_LastBackUpTime = 55,
  ZUNO_MotionGIF = 56,
  ZUNO_AutoIncrement = 57,
  ZUNO_PreparedURL = 58,
  ZUNO_LastSearchString = 59,
  ZUNO_CacheCheckBroken = 60,
  ZUNO_CacheFolder = 61, /* the browser cache folder to use; empty: derived from OS, WINDIR, USERPROFILE */
  /* not in quillo.ini: bit 1 BgColor, 2 TextColor, 4 LinkColor, 8 ALinkColor, 16 VLinkColor
   * set when the file gave that colour as "#" and hex digits */
  ZUNO_ColorMask = 100
};

/* File type bits of ZUNO_EnableFileType (a mask: the sum of the types to collect).
 * WebP took the one free bit below 0x100; AVIF the first free one above the page and
 * link codes (0x100 pages, 0x200 shortcuts, 0x400 link files, 0x800 CGI). */
#define ZUNO_TYPE_AVI 0x1
#define ZUNO_TYPE_GIF 0x2
#define ZUNO_TYPE_PNG 0x4
#define ZUNO_TYPE_BMP 0x8
#define ZUNO_TYPE_TIF 0x10
#define ZUNO_TYPE_JPEG 0x20
#define ZUNO_TYPE_MOVIE 0x40 /* MOV and MPG */
#define ZUNO_TYPE_WEBP 0x80
#define ZUNO_TYPE_AVIF 0x1000
/* Every picture and movie type. */
#define ZUNO_TYPES_PICTURES 0x10FF
/* The seven types known before WebP and AVIF: a settings file whose EnableFileType
 * holds all of them and neither newer one was written by an older version and takes
 * WebP and AVIF too. Where a newer version saves that choice on purpose it adds
 * ZUNO_TYPES_CHOSEN in the file (never in ZunoGet), so the choice is kept. */
#define ZUNO_TYPES_BEFORE_WEBP 0x7F
#define ZUNO_TYPES_CHOSEN 0x8000

typedef struct ZunoRecord ZunoRecord; /* the settings record with its run state */
typedef struct FileNode FileNode;     /* one entry of the file list */

typedef void (*ZunoTotalProc)(int count);
typedef void (*ZunoVoidProc)(void);

/* --- front-end interface --- */
int ZunoFirstTime(char **folder);              /* 0 when folder holds quillo.ini (folder rewritten), -1 */
int ZunoInit(const char *settings_folder);     /* reads quillo.ini; 0, -1, ZUNO_INI_BACKUP_GOOD */
int ZunoFlash(void);                           /* writes quillo.ini and uninitialises; 0, -1 */
int ZunoGet(int number);                       /* setting value, -1 for unknown or not initialised */
int ZunoPut(int number, int value);            /* 0, -1 */
int ZunoGetStr(int number, char **buffer);     /* 0, -1 */
int ZunoPutStr(int number, const char *value); /* 0, -1 (overlong values are cut and recorded) */
int ZunoDirChk(const char *path);              /* 1 folder, 0 other, -1 missing, -2 no path */
int ZunoPathCut(int ignored, char **path);     /* writes "%04d%s" of the last component; its length */
int ZunoSetProgressProc(ZunoTotalProc total, ZunoVoidProc step, ZunoVoidProc poll, ZunoVoidProc tick); /* 0 */
int ZunoAbortReq(void);                                                                                /* 0 */
const char *ZunoGetLastErr(char **buffer); /* the engine's last error text */
int ZunoNewMain(const char *settings_folder, const char *target, const char *output); /* see run driver */
int ZunoGetFiles(char **buffer); /* 0; buffer receives the gathering status text */
int ZunoLastCount(int keep, int *folders, int *files, int *outputs, int *bytes);           /* picture count */
int ZunoLastOutPut(char **buffer);                                                         /* 0 */
int ZunoCountFile(const char *folder, int *folders, int *files, int *outputs, int *bytes); /* count, -69 */
int ZunoGetThumbInfo(char **source, char **thumb, int *disp_w, int *disp_h, int *w, int *h); /* 1, -1 */
int ZunoCacheCheck(int mode);                            /* candidate count, -1, -69 */
int ZunoCacheDel(int mode);                              /* 0, -1 */
int ZunoDelCache(const char *path);                      /* 0, -1 */
int ZunoCreatFavorites(void);                            /* result of the favourites page, -69 */
int ZunoGetAnarizedURL(const char *path, char **buffer); /* 0 found, -1 */
int ZunoGetLinkPage(const char *address, char **buffer); /* link page result */
/* The browser caches of this desktop, one line each: "kind\tbrowser\tprofile\tfolder\n"
   (kind "chromium" or "firefox"), in the order a run without a chosen cache tries them.
   Writes the whole lines that fit in `size` bytes with a terminator; returns the bytes
   all lines need without it, or -1. */
int ZunoListCaches(char *area, int size);
long long ZunoLastTotalBytes(void); /* byte total of the last count, beyond the 2 GiB its int holds */
int ZunoPicView(const char *text);  /* picture view result */
int ZunoChangeFileMode(int mode, const char *path); /* 0x80 in mode: writable, else read-only; 0, -1 */

/* --- the engine's own routines, exported for direct calls --- */
int ZunoMain(const char *settings_folder, const char *target, const char *output); /* 0, 1 */
int ZunoPreProcess(const char *ignored, const char *target, const char *output);   /* 0 */
int ZunoDelReq(int mode);                      /* deletion request result, -69 */
int ZunoGetPicture(const void *block4098);     /* writes TEMP/quillo-<uid>/getpic.dat; 0, -1 */
int get_inifile(ZunoRecord *rec);              /* 0, -1, ZUNO_INI_BACKUP_GOOD */
int put_inifile(ZunoRecord *rec);              /* 0, -1 */
int put_erement(ZunoRecord *rec, int number);  /* 0, -1 */
int ZunoErr(int code, char *text);             /* code != 0: record, 0; code 0: copy last text, last code */
int ZunoSleep(void);                           /* abort poll: 1 when an abort is pending */
void ZunoCallProgress(int value);              /* one progress report */
int get_iecache(char *area);                   /* browser cache folder; 0, -1 */
int get_htmlout(int ignored, ZunoRecord *rec); /* chooses and creates the catalog folder; 0, -1 */
char *get_outpath(int which, char *area);      /* 0 OutputPath, 1 saved output folder, else NULL */
FileNode *maketree(ZunoRecord *rec, int mask, long long oldest, int limit, const char *folder,
                   FileNode *node);
FileNode *maketree2(long long oldest, int limit, const char *folder, FileNode *node, int code);
int counttree(FileNode *head, int *folders, int *files, int *outputs, int *bytes);     /* picture count */
int freetree(FileNode *head);                                                          /* 0 */
int index_dat_analyze(ZunoRecord *rec, const char *index_file, const char *exec_path); /* 0 */
int get_anarized_url(const char *path, char *address);                                 /* 0 found, -1 */
const char *get_files(ZunoRecord *rec, FileNode *head); /* status text of the next step */
int get_thumbinfo(ZunoRecord *rec, FileNode *head, char *source, char *thumb, int *disp_w, int *disp_h,
                  int *w, int *h);                  /* 1, -1 */
int ZunoCreatHtml(ZunoRecord *rec, FileNode *head); /* files placed (>0), 0 none placed, <0 failure */
int creat_fileindex(ZunoRecord *rec);               /* 0, -1 */
int creat_common(ZunoRecord *rec);                  /* 0, -1 */
int make_catalog(ZunoRecord *rec, char **block);    /* 0, -1 */
int make_frame(ZunoRecord *rec);                    /* 0, -1 */
int get_urllink(FileNode *pages, const char *address, char *out); /* link page result */
int creat_favorites(ZunoRecord *rec, FileNode *head);             /* favourites result */
int chk_cache(int mode, ZunoRecord *rec, FileNode *head);         /* candidate count, -1 */
int del_cache(ZunoRecord *rec, FileNode *head);                   /* 0, -1 */
int del_request(int mode, ZunoRecord *rec, FileNode *head);       /* deletion request result */
int deletefile(const char *folder, const char *pattern);          /* 0 */
int pic_view(ZunoRecord *rec, const char *text);                  /* picture view result */

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif
#endif
