// The disk's ceiling for the cold benchmark: the first 4 KiB of every file named on standard input,
// read by N threads at once (no parsing, no listing). Prints the seconds taken.
// Usage: parallel_floor THREADS < list-of-paths
#define _GNU_SOURCE
#include <fcntl.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static char **paths;
static size_t count;
static atomic_size_t next_path;

static void *reader(void *unused) {
  (void)unused;
  char buf[4096];
  for (size_t i; (i = atomic_fetch_add(&next_path, 1)) < count;) {
    int fd = open(paths[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    if (pread(fd, buf, sizeof buf, 0) < 0) perror(paths[i]);
    close(fd);
  }
  return NULL;
}

int main(int argc, char **argv) {
  int threads = argc > 1 ? atoi(argv[1]) : 16;
  if (threads < 1 || threads > 256) return 2;
  size_t cap = 1024;
  paths = malloc(cap * sizeof *paths);
  char *line = NULL;
  size_t len = 0;
  ssize_t got;
  while ((got = getline(&line, &len, stdin)) > 0) {
    if (line[got - 1] == '\n') line[got - 1] = '\0';
    if (count == cap) paths = realloc(paths, (cap *= 2) * sizeof *paths);
    paths[count++] = strdup(line);
  }
  struct timespec t0, t1;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  pthread_t ids[256];
  for (int i = 0; i < threads; ++i) pthread_create(&ids[i], NULL, reader, NULL);
  for (int i = 0; i < threads; ++i) pthread_join(ids[i], NULL);
  clock_gettime(CLOCK_MONOTONIC, &t1);
  printf("%.3f\n", (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9);
  return 0;
}
