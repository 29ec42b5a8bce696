// The in-memory HTML builder. A document is an ordered list of lines (one start tag
// with its attributes, one end tag, or one line of text), placed by naming an anchor
// tag and a side instead of building a tree. Pages sit on a small stack; the element
// writers always act on the page on top. Pool and stack are process-wide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int kHtmlDocMax = 20;        // documents open at once
constexpr int kHtmlPageMax = 10;       // pages open at once (nesting depth)
constexpr size_t kHtmlLineMax = 8191;  // longest line; escaped 255-byte paths always fit

// Side of an insertion: after the anchor's start line, or before the anchor's end line.
constexpr int kAfterStart = 0;
constexpr int kBeforeEnd = 1;

// --- tags ---
// Table id of a tag text ("<a>" and "</a>" both give 5), or -1 (also for a start
// tag that already carries attributes).
int html_tag_id(const char *text);
// True when a line stands for the tag: "<a href=…>" and "</a>" match "<a>",
// "<frameset …>" does not match "<frame>".
bool html_tag_match(const char *line, const char *tag);

// --- documents ---
// A new document holding "<html>" and "</html>"; its number, or -1 when all slots are in use.
int html_doc_new();
// Inserts a tag (and, for paired tags, its end tag before the anchor's end line).
// 0, or -1 when the document or the anchor does not exist or the line is too long.
int html_insert_tag(int doc, int side, const char *anchor, const char *tag);
// Inserts one line of text as it is (callers escape it); empty text inserts nothing. 0, or -1 as above.
int html_insert_text(int doc, int side, const char *anchor, std::string_view text);
// Adds attributes to the first (side 0) or last (side 1) start line of `tag`, and
// optionally text after its '>'. 0, or -1 when there is no such start line or the
// line would grow past kHtmlLineMax (the line is then left as it was).
int html_add_attr(int doc, int side, const char *tag, std::string_view attrs);
int html_add_attr_text(int doc, int side, const char *tag, std::string_view attrs, std::string_view text);
// The whole document, each line ended by "\n"; empty for a free slot.
std::string html_doc_text(int doc);
// Number of lines, or -1 for a free slot.
int html_doc_lines(int doc);
// Releases the document; its slot becomes free. 0 (also for a free slot).
int html_doc_free(int doc);

// --- pages ---
// Opens a page that will be written to `path`: html, head (charset first, title,
// base target=view). 0, or -1 when the pool or the page stack is full.
int html_creat_hl(const std::string &path, std::string_view title);
// Writes and closes the top page when its path is `path`: 0. -1 when the path is
// another page's (nothing written, the page stays open), or when the file cannot
// be written whole (recorded; the page is closed and nothing is left at `path`
// but what was there before).
int html_close_page(const std::string &path);
// Number of open pages.
int html_open_pages();
// Document number of the top page, or -1.
int html_top_doc();
// Discards open pages above `depth` without writing them (an interrupted writer).
void html_discard_pages(int depth);
// Frees every document and clears the page stack, as at load.
void html_reset();

// A script file for the page's head (after the charset and title).
int html_add_head_script(std::string_view src_path);
// The body element: background (a file path, or null for none; an empty path still
// writes the attribute), the fixed-background flag and the five colour texts.
int html_set_body(const char *background, int fixed, const char *bgcolor, const char *text, const char *link,
                  const char *alink, const char *vlink);

// Element writers. Paths are given as they are; each writer escapes every value for
// the context it lands in. `attach` false inserts the bare "<a>" element only.
// A thumbnail link that calls the viewer: always aimed at its own frame (the
// viewer function runs in the page and hands the picture to the view frame).
// `size_capped`: the picture is larger than the sizes say, which stop at 32767; the
// alt text says "以上" (or more) after each side that stopped there.
// Every thumbnail loads lazily (the browser fetches it when it nears the window); `date` (when the picture
// was taken, as the viewer shows it) goes into a data-date attribute when given.
int html_add_thumb_link(bool attach, std::string_view link_path, std::string_view thumb_path, int thumb_w,
                        int thumb_h, int pic_w, int pic_h, int64_t size_bytes, bool size_capped = false,
                        std::string_view date = {});
// An image link at the start of the body.
int html_add_nav_link(const char *target, bool attach, std::string_view address, std::string_view image,
                      int w, int h, std::string_view alt);
// An image link at the end of the body to a web address (used as is, and as alt text).
int html_add_url_link(const char *target, bool attach, std::string_view url, std::string_view image, int w,
                      int h);
// An image link at the end of the body to a page or file path.
int html_add_page_link(const char *target, bool attach, std::string_view address, std::string_view image,
                       int w, int h, std::string_view alt);
int html_add_embed_link(const char *target, bool attach, std::string_view address, std::string_view source,
                        int w, int h);
int html_add_movie_link(const char *target, bool attach, std::string_view address, std::string_view source,
                        int w, int h);
// A movie the browser plays itself: a <video> with controls that loads nothing until asked, showing
// `poster` until then.
int html_add_video(std::string_view source, std::string_view poster, int w, int h, std::string_view title);
// A movie the browser cannot play: a link that hands the file to the desktop's player, with the icon.
int html_add_movie_file_link(std::string_view address, std::string_view icon, int w, int h,
                             std::string_view title);
// A text link at the end of the body that opens in the catalog frame; nothing when !attach.
int html_add_text_link(bool attach, std::string_view address, std::string_view text);
int html_add_br();
