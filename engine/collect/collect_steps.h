// The gathering step machine and its parts: examination with the picture filter,
// copying into the output's "Images" folder, and the thumbnail iteration.
#pragma once

#include <cstdint>
#include <string>

#include "core/engine_state.h"

// The status the gathering gives when a step failed (the failure is recorded).
inline constexpr const char *kGatherError = "エラー";

// Reads a picture's header: kilobytes, or -1 when unreadable (see picture_header.h).
int read_picture_header(const ZunoRecord *rec, const char *path, int type, int16_t *disp_w, int16_t *disp_h,
                        int16_t *w, int16_t *h, uint32_t *flags);

int examine_list(ZunoRecord *rec, FileNode *head);
int accept_picture(const ZunoRecord *rec, int w, int h, const FileNode *node);  // 1 accept, 0 reject
int is_banner_size(const ZunoRecord *rec, int w, int h);                        // 1 or 0
int zunocopy(int mode, FileNode *head, const char *output, const char *root);   // 0, -1
// The folder of `path` below `root`, recreated below `base`: 0 with *relative ("" or "/a/b"), or -1.
int make_mirror_folder(const char *path, const char *root, const char *base, std::string *relative);
// 0 copied or left alone, -1 error, -2 disk full. `copied_to` (optional) receives the destination file.
int bincopy(int mode, const char *source, const char *destination, std::string *copied_to = nullptr);

// Link-file steps that belong to link analysis.
int apply_link_files(ZunoRecord *rec, FileNode *head);
int make_link_file(ZunoRecord *rec, FileNode *node);
int rewrite_analyzed_index();
