/* Mirtabel: converts recipe export files in the MXP text format into flat text, one line per
 * recipe.
 *
 * Each output line is a recipe record: a title field of exactly 100 characters (the title cut to
 * that length or padded with spaces), the recipe's text, in which the input's line breaks became
 * the mark "[PAGE]", and a line feed (0x0A). The output is UTF-8 without a byte-order mark.
 */
#ifndef MIRTABEL_H
#define MIRTABEL_H

#include <stdint.h>
#include <wchar.h>

#define MIRTABEL_VERSION_MAJOR 1
#define MIRTABEL_VERSION_MINOR 0
#define MIRTABEL_VERSION_PATCH 0
#define MIRTABEL_VERSION_STRING "1.0.0"

#if defined(_WIN32)
#if defined(MIRTABEL_BUILDING)
#define MIRTABEL_API /* exports/mirtabel.def lists the DLL's exports and their ordinals */
#else
#define MIRTABEL_API __declspec(dllimport)
#endif
#else
#define MIRTABEL_API __attribute__((visibility("default")))
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

#ifdef __cplusplus
}

/* A class that carries no data and no behaviour, kept for hosts that link to it. */
class MIRTABEL_API CMirtabel {
 public:
  /* Initialises nothing. */
  CMirtabel();
  /* Copies the object (which holds no data) and returns *this. */
  CMirtabel& operator=(const CMirtabel& other);
};

/* Returns 42 on every call. */
MIRTABEL_API int fnMirtabel();

/* Holds 0 until a host changes it; the library never reads or writes it. Unprotected: a host
 * that writes it from several threads must serialise those writes. */
extern MIRTABEL_API int nMirtabel;

#endif /* __cplusplus */

#endif /* MIRTABEL_H */
