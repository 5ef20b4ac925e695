/* The peer side of the project_parse bench (see project_parse.sh): Debian's libinih
 * parses the same bytes from memory, calling a handler that only counts.
 *   project_parse_inih FILE ROUNDS   prints the best round's CPU seconds */
#include <ini.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

struct counts {
  size_t keys;
  size_t value_bytes;
};

static int count_key(void* user, const char* section, const char* name, const char* value) {
  struct counts* counts = user;
  (void)section;
  (void)name;
  counts->keys++;
  counts->value_bytes += strlen(value);
  return 1;
}

static char* read_file(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return NULL;
  fseek(file, 0, SEEK_END);
  const long size = ftell(file);
  fseek(file, 0, SEEK_SET);
  char* text = malloc((size_t)size + 1);
  if (text && fread(text, 1, (size_t)size, file) != (size_t)size) {
    free(text);
    text = NULL;
  }
  if (text) text[size] = '\0';
  fclose(file);
  return text;
}

/* CPU time of this thread: the machine may be busy with other work while we measure. */
static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: project_parse_inih FILE ROUNDS\n");
    return 2;
  }
  char* text = read_file(argv[1]);
  if (!text) return 2;
  double best = 1e30;
  struct counts counts = {0, 0};
  for (int round = atoi(argv[2]); round > 0; --round) {
    counts.keys = counts.value_bytes = 0;
    const double start = now();
    ini_parse_string(text, count_key, &counts);
    const double seconds = now() - start;
    if (seconds < best) best = seconds;
  }
  printf("%.6f %zu %zu\n", best, counts.value_bytes, counts.keys);
  free(text);
  return 0;
}
