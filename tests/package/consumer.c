/* A C program that uses the installed library.
 *
 * usage: consumer INPUT OUTPUT LONG_ARCHIVE WORK_DIR
 *
 * Converts INPUT into OUTPUT with ConvertMXP and checks the count against the lines written, and
 * that a missing input fails with ENOENT. Then converts LONG_ARCHIVE, which holds one recipe over
 * the length limit, with mirtabel_convert into WORK_DIR: the report and the left-out callback
 * must name that recipe and the side file must hold its bytes; the stream form, from memory,
 * must write the same records. */
#include <errno.h>
#include <mirtabel.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

/* The test passes ASCII paths only; each byte widens to its character. */
static int widen(const char* text, wchar_t* out, size_t capacity) {
  size_t i = 0;
  for (; text[i] != '\0'; ++i) {
    if (i + 1 >= capacity || (unsigned char)text[i] >= 0x80) return 0;
    out[i] = (wchar_t)(unsigned char)text[i];
  }
  out[i] = L'\0';
  return 1;
}

#define FILE_ROOM 65536

/* Reads a whole file of at most FILE_ROOM bytes; returns its size, or -1. */
static long read_all(const char* path, unsigned char* bytes) {
  FILE* file = fopen(path, "rb");
  size_t size;
  if (file == NULL) return -1;
  size = fread(bytes, 1, FILE_ROOM, file);
  fclose(file);
  return size < FILE_ROOM ? (long)size : -1;
}

static int fail(const char* what) {
  fprintf(stderr, "consumer: %s\n", what);
  return 1;
}

/* What the left-out callback heard. */
struct heard {
  int calls;
  char title[128];
  int32_t reason;
  uint64_t begin, end, first_line_end;
  int32_t records_before;
};

static void on_left_out(void* context, const mirtabel_left_out* recipe) {
  struct heard* heard = context;
  ++heard->calls;
  snprintf(heard->title, sizeof heard->title, "%s", recipe->title);
  heard->reason = recipe->reason;
  heard->begin = recipe->begin;
  heard->end = recipe->end;
  heard->first_line_end = recipe->first_line_end;
  heard->records_before = recipe->records_before;
}

/* The stream form's two ends: the input from memory, the output into memory. */
struct streams {
  const unsigned char* input;
  size_t input_size, read_at;
  unsigned char output[FILE_ROOM];
  size_t output_size;
};

static ptrdiff_t read_memory(void* context, unsigned char* buffer, size_t capacity) {
  struct streams* s = context;
  size_t size = s->input_size - s->read_at;
  if (size > capacity) size = capacity;
  memcpy(buffer, s->input + s->read_at, size);
  s->read_at += size;
  return (ptrdiff_t)size;
}

static int write_memory(void* context, const unsigned char* bytes, size_t size) {
  struct streams* s = context;
  if (size > FILE_ROOM - s->output_size) return ENOSPC;
  memcpy(s->output + s->output_size, bytes, size);
  s->output_size += size;
  return 0;
}

static unsigned char archive[FILE_ROOM], records[FILE_ROOM], side[FILE_ROOM];
static struct streams streams;

static int check_conversion_api(const char* long_archive, const char* work_dir) {
  char output[4096], side_path[4096];
  long archive_size, records_size, side_size;
  struct heard heard = {0};
  mirtabel_options options = {0};
  mirtabel_report report = {0};
  int code;

  snprintf(output, sizeof output, "%s/long.txt", work_dir);
  snprintf(side_path, sizeof side_path, "%s/long.left-out.mxp", work_dir);
  archive_size = read_all(long_archive, archive);
  if (archive_size < 0) return fail("cannot read the long archive");

  options.size = sizeof options;
  options.left_out_path = side_path;
  options.left_out = on_left_out;
  options.left_out_context = &heard;
  report.size = sizeof report;
  code = mirtabel_convert(long_archive, output, &options, &report);
  if (code != MIRTABEL_OK) {
    fprintf(stderr, "mirtabel_convert: %s: %s\n", mirtabel_error_name(code), strerror(errno));
    return 1;
  }
  records_size = read_all(output, records);
  side_size = read_all(side_path, side);
  printf(
      "mirtabel_convert: %ld records, %ld left out (\"%s\", bytes %lu-%lu), %lu bytes read, "
      "%lu written, side file of %ld bytes\n",
      (long)report.records, (long)report.left_out, heard.title, (unsigned long)heard.begin,
      (unsigned long)heard.end, (unsigned long)report.bytes_read,
      (unsigned long)report.bytes_written, side_size);
  if (report.records != 2 || report.left_out != 1 || report.cut != 0 || report.error != 0 ||
      report.bytes_read != (uint64_t)archive_size || records_size < 0 ||
      report.bytes_written != (uint64_t)records_size) {
    return fail("the report does not match the files");
  }
  /* The recipe stands between the archive's two others. */
  if (heard.calls != 1 || strcmp(heard.title, "Endless Stew") != 0 || heard.records_before != 1 ||
      heard.reason != MIRTABEL_LEFT_OUT_TOO_LONG || heard.first_line_end == 0 ||
      heard.begin < heard.first_line_end || heard.end <= heard.begin ||
      heard.end > (uint64_t)archive_size) {
    return fail("the callback did not name the recipe left out");
  }
  /* The side file: the archive's first line, then the recipe's bytes as they stood. */
  if (side_size != (long)(heard.first_line_end + heard.end - heard.begin) ||
      memcmp(side, archive, heard.first_line_end) != 0 ||
      memcmp(side + heard.first_line_end, archive + heard.begin, heard.end - heard.begin) != 0) {
    return fail("the side file does not hold the recipe's bytes");
  }

  /* The stream form writes the same records from memory; a side file it cannot have. */
  streams.input = archive;
  streams.input_size = (size_t)archive_size;
  options.left_out = NULL;
  if (mirtabel_convert_stream(read_memory, write_memory, &streams, &options, &report) !=
          MIRTABEL_ERROR_OPTIONS ||
      errno != EINVAL) {
    return fail("the stream form took a side file");
  }
  options.left_out_path = NULL;
  code = mirtabel_convert_stream(read_memory, write_memory, &streams, &options, &report);
  if (code != MIRTABEL_OK || report.left_out != 1 || streams.output_size != (size_t)records_size ||
      memcmp(streams.output, records, streams.output_size) != 0) {
    return fail("the stream form wrote other records");
  }

  code = mirtabel_convert("no such file.mxp", output, NULL, &report);
  if (code != MIRTABEL_ERROR_INPUT || errno != ENOENT || report.error != ENOENT ||
      strcmp(mirtabel_error_name(code), "input") != 0) {
    return fail("a missing input did not fail as an input error with ENOENT");
  }
  return 0;
}

int main(int argc, char** argv) {
  wchar_t input[4096], output[4096];
  int32_t records_written;
  int lines = 0, c;
  FILE* written;
  if (argc != 5 || !widen(argv[1], input, 4096) || !widen(argv[2], output, 4096)) {
    fprintf(stderr, "usage: consumer INPUT OUTPUT LONG_ARCHIVE WORK_DIR (ASCII paths)\n");
    return 2;
  }
  records_written = ConvertMXP(input, output);
  if (records_written < 0) {
    perror(argv[1]);
    return 1;
  }
  written = fopen(argv[2], "rb");
  if (written == NULL) return 1;
  while ((c = fgetc(written)) != EOF)
    lines += c == '\n';
  fclose(written);
  printf("mirtabel %s (library %s): %ld records, %d lines\n", MIRTABEL_VERSION_STRING,
         mirtabel_version(), (long)records_written, lines);
  if (records_written == 0 || lines != records_written) return 1;

  errno = 0;
  if (ConvertMXP(L"no such file.mxp", output) != -1 || errno != ENOENT) {
    fprintf(stderr, "a missing input did not fail with ENOENT\n");
    return 1;
  }
  return check_conversion_api(argv[3], argv[4]);
}
