/* Mirtabel: converts recipe export files in the MXP text format into flat text, one line per
 * recipe.
 *
 * Each output line is a recipe record: a title field of exactly 100 characters (the title cut to
 * that length or padded with spaces), the recipe's text, in which the input's line breaks became
 * the mark "[PAGE]", and a line feed (0x0A). The output is UTF-8 without a byte-order mark.
 */
#ifndef MIRTABEL_H
#define MIRTABEL_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#define MIRTABEL_VERSION_MAJOR 1
#define MIRTABEL_VERSION_MINOR 3
#define MIRTABEL_VERSION_PATCH 0
#define MIRTABEL_VERSION_STRING "1.3.0"

/* The version as one number, MAJOR * 10000 + MINOR * 100 + PATCH, for comparisons in #if. */
#define MIRTABEL_VERSION_NUMBER \
  (MIRTABEL_VERSION_MAJOR * 10000 + MIRTABEL_VERSION_MINOR * 100 + MIRTABEL_VERSION_PATCH)

/* How a declaration leaves the library. A build may define MIRTABEL_API itself (empty for a
 * static library, say); compilers without the visibility attribute get nothing. */
#ifndef MIRTABEL_API
#if defined(_WIN32)
#if defined(MIRTABEL_BUILDING)
#define MIRTABEL_API /* exports/mirtabel.def lists the DLL's exports and their ordinals */
#else
#define MIRTABEL_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) && (__GNUC__ >= 4)
#define MIRTABEL_API __attribute__((visibility("default")))
#else
#define MIRTABEL_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Converts the MXP file at `input_path` into recipe records written to `output_path`.
 *
 * input_path   the MXP export text; must name an existing, readable file, not a directory.
 *              UTF-8 (with Windows-1252 bytes accepted where a byte is not valid UTF-8) or, with
 *              a byte-order mark, UTF-16. Never modified.
 * output_path  the file to create, or to replace if it exists. It must not name the input file,
 *              through the same path, a hard link or a symbolic link. A regular file is written
 *              under a temporary name in its directory (".NAME.XXXXXX"; for a symbolic link, in
 *              the directory of the file it names), which takes the output's name only once the
 *              conversion has succeeded: that directory must be writable, and a replaced file
 *              keeps its permission bits. A FIFO or a device is written in place.
 *              Both are null-terminated wide-character paths; on POSIX systems they are opened
 *              as UTF-8, and U+DC80..U+DCFF stand for raw bytes 0x80..0xFF of a name that is not
 *              valid UTF-8. The strings are read during the call only.
 *
 * Returns the number of records written (0 or more), or -1 on failure with errno set:
 *   EINVAL       a path is null, or the output names the input file (the input is untouched);
 *   EILSEQ       a path holds a character no file name can hold;
 *   EISDIR       the input is a directory;
 *   EOVERFLOW    the input holds more records than the result can count;
 *   EEXIST       the temporary file's name was taken a hundred times in a row;
 *   any errno of open, read, write, close or rename: the input cannot be opened, the output
 *   cannot be created, or a read, write, close or rename failed (a full disk, say).
 * On -1 the file at output_path is as it was before the call: the previous output intact, or
 * no file if there was none. Only a process killed during the call can leave its temporary
 * file behind.
 * A recipe whose text has grown past 9,500 characters when a line's text has just been appended
 * to it is not written and not counted.
 *
 * Thread-safety: re-entrant. All working data lives in the call, in at most 96 KiB of stack, so
 * a thread of 128 KiB has room for it; calls on different files may run on several threads at
 * once. Makes no heap allocation, changes no locale or global state, and never throws.
 */
MIRTABEL_API int32_t ConvertMXP(const wchar_t* input_path, const wchar_t* output_path);

/* ---- The conversion API (since 1.1) -------------------------------------------------------------
 *
 * For programs in any language: UTF-8 paths, an options structure that can grow, a report of what
 * was written and what was left out, and a stream form for archives held in memory or read from a
 * socket. Every function is re-entrant, keeps its state in the call and never throws.
 */

/* What mirtabel_convert and mirtabel_convert_stream return; mirtabel_error_name names each. */
enum mirtabel_error {
  MIRTABEL_OK = 0,
  /* EINVAL: a null path or function, an options or report structure of a size this library
   * does not know, an unknown encoding, a side file with the stream form, or a side file that
   * is the output under any spelling (another path, a hard or a symbolic link). */
  MIRTABEL_ERROR_OPTIONS = 1,
  /* The input could not be opened or read (errno says why). */
  MIRTABEL_ERROR_INPUT = 2,
  /* The output could not be created, written or put in place; EINVAL when it names the input. */
  MIRTABEL_ERROR_OUTPUT = 3,
  /* The side file could not be created or written, or the input could not be read again for
   * it. */
  MIRTABEL_ERROR_LEFT_OUT_FILE = 4,
  /* ENOTSUP: a format this version does not write (options->format unknown; before 1.3 this
   * was MIRTABEL_ERROR_OPTIONS). */
  MIRTABEL_ERROR_NOT_SUPPORTED = 5,
  /* ENOMEM: the JSON or HTML format's stores could not be had. */
  MIRTABEL_ERROR_NO_MEMORY = 6,
  /* EOVERFLOW: more records than an int32_t counts. */
  MIRTABEL_ERROR_TOO_MANY = 7,
  /* (since 1.2) The cookbook's scratch copy of an input that cannot be read twice could not be
   * made or written in the system's directory for temporary files (TMPDIR); errno says why. */
  MIRTABEL_ERROR_SCRATCH_FILE = 8,
  /* (since 1.3) EILSEQ: the input is no text but a binary file (report->not_text says what it
   * looks like); options->force converts it all the same. */
  MIRTABEL_ERROR_NOT_TEXT = 9
};

/* The formats of the output. */
enum mirtabel_format {
  /* One flat record per recipe, as ConvertMXP writes. */
  MIRTABEL_FORMAT_RECORDS = 0,
  /* One schema.org Recipe object per recipe, one per line. */
  MIRTABEL_FORMAT_JSON_LINES = 1,
  /* (since 1.2) A cookbook: one HTML page of every recipe. */
  MIRTABEL_FORMAT_HTML = 2
};

/* Why a recipe was left out. */
enum mirtabel_left_out_reason {
  /* Records: its text grew past 9,500 characters. */
  MIRTABEL_LEFT_OUT_TOO_LONG = 1,
  /* (since 1.2, path form only) JSON Lines or HTML: too large to keep whole (more than 1 MiB of
   * text or 16,384 fields), it was written cut; its whole text goes to the side file. */
  MIRTABEL_LEFT_OUT_CUT = 2
};

/* A recipe the records format left out, or one the other formats wrote cut, as the left-out
 * callback hears of it. The pointers are
 * valid during the callback only. Later versions may add fields at the end. */
typedef struct mirtabel_left_out {
  const char* title;       /* its title, UTF-8, null-terminated, without the record's padding */
  int32_t reason;          /* MIRTABEL_LEFT_OUT_TOO_LONG or MIRTABEL_LEFT_OUT_CUT */
  uint64_t begin;          /* its text is the input's bytes [begin, end), counted from the */
  uint64_t end;            /* input's start (a byte-order mark included), after its marker line */
  uint64_t first_line_end; /* the input's bytes [0, first_line_end) followed by [begin, end) are
                              an MXP text that holds this recipe alone (with a marker given,
                              converted with the same marker: the bytes run to the end of its
                              first marker line) */
  int32_t records_before;  /* the records written before it: its place among them */
} mirtabel_left_out;

/* (since 1.3) What a warning is about. */
enum mirtabel_warning_kind {
  /* The input does not look like an MXP export at all. */
  MIRTABEL_WARNING_NOT_MXP = 1,
  /* Its first line does not seem to be the marker line that starts each recipe (blank, of
   * spaces only, or found only once while another line opens recipes), or no marker was found
   * for the marker "auto". */
  MIRTABEL_WARNING_MARKER = 2,
  /* Most recipes came out with an empty title. */
  MIRTABEL_WARNING_EMPTY_TITLES = 3,
  /* Lines that are the marker line but for spacing, as where exports were joined: the recipes
   * they start were read as parts of others. */
  MIRTABEL_WARNING_JOINED = 4
};

/* (since 1.3) A warning about a conversion that succeeded, as the warning callback hears of it.
 * mxpconvert prints the same text after the input's name. The pointer is valid during the
 * callback only. Later versions may add fields at the end. */
typedef struct mirtabel_warning {
  int32_t kind;     /* MIRTABEL_WARNING_* */
  const char* text; /* UTF-8, null-terminated, in words that follow the input's name: "does not
                       look like an MXP recipe export: it is empty", "holds 3 lines that ..." */
} mirtabel_warning;

/* Every function the caller passes must return normally: not throw, nor jump out of the call. */
typedef void (*mirtabel_left_out_function)(void* context, const mirtabel_left_out* recipe);
/* The stream form's input started over: the next read gives its first byte again. Returns 0, or
 * an errno value to fail. */
typedef int (*mirtabel_rewind_function)(void* context);
/* (since 1.3) Hears of a warning, on the converting thread, after a conversion that succeeded. */
typedef void (*mirtabel_warning_function)(void* context, const mirtabel_warning* warning);

/* How to convert. Set every field to zero, then `size`, so that a field added later keeps its
 * default; all zero means flat records, the input's code page chosen from its bytes, no side
 * file and no callback. */
typedef struct mirtabel_options {
  size_t size;          /* sizeof(mirtabel_options): a larger structure, from a newer header, is
                           refused unless the fields this version does not know are zero */
  int32_t format;       /* MIRTABEL_FORMAT_* */
  const char* encoding; /* how input without a byte-order mark is read: "utf-8" (bytes that are
                           not UTF-8 are read as Windows-1252, as ConvertMXP reads them),
                           "windows-1252", "latin-1", "cp437", "cp850" or "mac-roman"; or null
                           (since 1.3): UTF-8, with the bytes that are not UTF-8 read as
                           Windows-1252 or as code page 437, as the input's bytes show (the
                           report says which and why). Before 1.3 null meant "utf-8" */
  const char* left_out_path; /* path form only, or null: where the text of the recipes left out
                                (or written cut) goes, as it stood in the input after the input's
                                first line, so that the file converts like the input once they
                                are shortened. Written like the output, and only when there is
                                such a recipe; otherwise the file at this path is not touched */
  mirtabel_left_out_function left_out; /* or null: called on the converting thread for each
                                          recipe left out (or written cut), before the call
                                          returns */
  void* left_out_context;              /* passed to left_out */
  /* Since 1.2; a structure from a 1.1 header, which ends here, is taken with both null. */
  const char* title; /* or null: the cookbook's title, UTF-8 (null or empty: "Cookbook") */
  mirtabel_rewind_function rewind; /* stream form only, or null: how the cookbook reads its
                                      input a second time; without it, the input is copied
                                      into a scratch file during the first reading */
  /* Since 1.3; a structure from a 1.2 header, which ends here, is taken with these zero. */
  int32_t force;      /* nonzero: convert an input that looks binary (NUL bytes in its first
                         32 KiB, or the signature of a PDF, PNG, JPEG, ZIP or gzip file) instead
                         of refusing it with MIRTABEL_ERROR_NOT_TEXT */
  const char* marker; /* or null: the input's first line marks where each recipe starts. Else
                         the marker line (UTF-8, without a line break): a line that ends with
                         it starts a recipe; or "auto": the first line that opens a recipe as MXP
                         opens one (followed, two lines later, by a "Title:" line, or by a title
                         and a header that ends at a rule of hyphens) and opens others too,
                         matched but for spacing (runs of spaces and tabs, blanks at either end).
                         Lines before the first marker line are skipped. "auto" scans the
                         input's first 32 KiB before converting, taking about 60 KiB from the
                         heap */
  mirtabel_warning_function warning; /* or null: hears of each warning. With it, the input's
                                        start is kept and checked, which takes about 100 KiB
                                        from the heap */
  void* warning_context;             /* passed to warning */
} mirtabel_options;

/* What a conversion did. Set `size` before the call; the rest is written by it. On failure the
 * figures say how far the conversion came, and nothing of it was put in place. */
typedef struct mirtabel_report {
  size_t size;            /* sizeof(mirtabel_report) */
  int32_t records;        /* records, or JSON objects, written */
  int32_t left_out;       /* recipes left out (records format), not counting those cut */
  int32_t cut;            /* JSON objects of recipes too large to keep whole, written cut */
  int32_t error;          /* 0, or the errno value the call also sets */
  uint64_t bytes_read;    /* bytes of the input */
  uint64_t bytes_written; /* bytes of the output */
  /* Since 1.3; a structure from an older header ends here, and is filled up to here. */
  const char* encoding;      /* how the input was read: "utf-8" (bytes that are not UTF-8 as
                                Windows-1252), "utf-8+cp437" (those as code page 437),
                                "utf-8+cp437-degrees" (as Windows-1252 but 0xF8 by a number as a
                                degree sign), the encoding named, or "utf-16le" or "utf-16be" by
                                the byte-order mark; a string that lasts as long as the library */
  char encoding_reason[160]; /* why, one line of UTF-8: "cp437: 0xF8 by a number 12 times,
                                ...", "cp437, as named"; cut short when longer */
  const char* not_text;      /* null, or for MIRTABEL_ERROR_NOT_TEXT what the input looks like:
                                "a PDF document", "a binary file with NUL bytes", ... */
  int32_t warnings;          /* warnings the warning callback heard (0 without one) */
  int32_t too_long; /* recipes whose text grew past the records' 9,500 characters: those the
                       records format left out, and in the other formats (which keep them)
                       most likely recipes that ran into the next for a wrong marker */
  char marker[128]; /* the marker line used, UTF-8 without its line break, cut to 127 bytes
                       at a character's end, null-terminated; "" for an input without one */
} mirtabel_report;

/* Converts the MXP file at `input_path` into `output_path`, with `options` (or null for the
 * defaults) and, when `report` is not null, fills it.
 *
 * The paths are null-terminated UTF-8, turned into UTF-16 on Windows, where they must be valid
 * UTF-8; on POSIX bytes that are not UTF-8 reach the system as they are. They hold as for
 * ConvertMXP: the input is read and never changed, the output is written under a temporary name in
 * its directory and takes its name only when complete, an output that names the input is refused.
 * A side file that names the output or the input, however spelt, is refused before anything is
 * written (the output: MIRTABEL_ERROR_OPTIONS; the input: MIRTABEL_ERROR_LEFT_OUT_FILE, EINVAL).
 * The side file is prepared the same way before the conversion starts (so its directory must be
 * writable even if no recipe is left out) and put in place just before the output: on failure
 * neither path has changed, unless the output's own final close or rename failed after the side
 * file was in place.
 *
 * The cookbook (MIRTABEL_FORMAT_HTML) reads the input twice: a regular file again from its start,
 * another input (a FIFO) through a copy in a scratch file made during the first reading.
 * A recipe that JSON Lines or HTML writes cut goes, once it has ended, whole to the side file and
 * to the callback (MIRTABEL_LEFT_OUT_CUT), its records_before counting the objects before it.
 *
 * Returns MIRTABEL_OK, or a MIRTABEL_ERROR_* code with errno (and report->error) set.
 * The records format uses no heap and at most 96 KiB of stack, plus the stack the callback uses;
 * JSON Lines and HTML take about 1.3 MiB from the heap for their stores. Re-entrant, as
 * ConvertMXP.
 */
MIRTABEL_API int mirtabel_convert(const char* input_path, const char* output_path,
                                  const mirtabel_options* options, mirtabel_report* report);

/* The stream form's input: copies up to `capacity` (> 0) bytes to `buffer` and returns their
 * number, 0 at the end of the input, or a negative errno value (-EIO, say) to fail. */
typedef ptrdiff_t (*mirtabel_read_function)(void* context, unsigned char* buffer, size_t capacity);
/* The stream form's output: takes all `size` bytes and returns 0, or an errno value to fail. */
typedef int (*mirtabel_write_function)(void* context, const unsigned char* bytes, size_t size);

/* Converts the MXP text that `read` gives into the output that `write` takes, as
 * mirtabel_convert does, with `context` passed to both. The output arrives in pieces as it is
 * ready; after a failure what arrived is incomplete and the caller discards it. Options may not
 * name a side file (the input cannot be read again); the left-out callback gives each left-out
 * recipe's place in the input instead, and recipes written cut are only counted. The cookbook
 * reads the input twice: options->rewind, when given, starts it over (with `context`) between
 * the readings; else the first reading is copied into a scratch file in the system's directory
 * for temporary files, which the second reads: when that file cannot be made, the call fails
 * with MIRTABEL_ERROR_SCRATCH_FILE before the first read. */
MIRTABEL_API int mirtabel_convert_stream(mirtabel_read_function read, mirtabel_write_function write,
                                         void* context, const mirtabel_options* options,
                                         mirtabel_report* report);

/* The name of a code that mirtabel_convert returns ("ok", "input", ...), or "unknown". */
MIRTABEL_API const char* mirtabel_error_name(int code);

/* The library's version, "MAJOR.MINOR.PATCH": at run time it may be newer than the header's
 * MIRTABEL_VERSION_STRING, with the same major number. */
MIRTABEL_API const char* mirtabel_version(void);

/* (since 1.3) The library's version as MIRTABEL_VERSION_NUMBER gives it: at run time it may be
 * larger than the header's, within the same major number. */
MIRTABEL_API int32_t mirtabel_version_number(void);

/* (since 1.3) The format named `name` ("records", "json" or "html", as mxpconvert's --format
 * takes them), or -1 for a name this version does not know or a null one. */
MIRTABEL_API int32_t mirtabel_format_from_name(const char* name);

/* (since 1.3) The name of `format`, one of the MIRTABEL_FORMAT_* codes, or null for a code this
 * version does not write: the codes from 0 up to the first null name are every format. */
MIRTABEL_API const char* mirtabel_format_name(int32_t format);

#ifdef __cplusplus
}
#endif

#endif /* MIRTABEL_H */
