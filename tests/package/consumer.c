/* A C program that uses the installed library: converts INPUT into OUTPUT and checks the count
 * against the lines written, then checks that a missing input fails with ENOENT. */
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

int main(int argc, char** argv) {
  wchar_t input[4096], output[4096];
  int32_t records;
  int lines = 0, c;
  FILE* written;
  if (argc != 3 || !widen(argv[1], input, 4096) || !widen(argv[2], output, 4096)) {
    fprintf(stderr, "usage: consumer INPUT OUTPUT (ASCII paths)\n");
    return 2;
  }
  records = ConvertMXP(input, output);
  if (records < 0) {
    perror(argv[1]);
    return 1;
  }
  written = fopen(argv[2], "rb");
  if (written == NULL) return 1;
  while ((c = fgetc(written)) != EOF)
    lines += c == '\n';
  fclose(written);
  printf("mirtabel %s: %ld records, %d lines\n", MIRTABEL_VERSION_STRING, (long)records, lines);
  if (records == 0 || lines != records) return 1;

  errno = 0;
  if (ConvertMXP(L"no such file.mxp", output) != -1 || errno != ENOENT) {
    fprintf(stderr, "a missing input did not fail with ENOENT\n");
    return 1;
  }
  return 0;
}
