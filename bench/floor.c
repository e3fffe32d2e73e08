/* The least work a date-stamping tool must do per photo, as a yardstick:
 * list the directory, then for each file open it, read its JPEG markers up
 * to the APP1 segment and that segment with pread, close it; with "rename",
 * also rename it (never replacing) to a new name.
 *
 * usage: floor read|rename DIR
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static unsigned char segment[65536];

static long read_app1(int fd) {
  unsigned char m[4];
  off_t pos = 2;
  if (pread(fd, m, 2, 0) != 2 || m[0] != 0xFF || m[1] != 0xD8)
    return -1;
  for (;;) {
    if (pread(fd, m, 4, pos) != 4 || m[0] != 0xFF)
      return -1;
    const unsigned len = (unsigned)m[2] << 8 | m[3];
    if (m[1] == 0xE1)
      return pread(fd, segment, len, pos + 4);
    if (m[1] == 0xD9 || len < 2)
      return -1;
    pos += 2 + len;
  }
}

int main(int argc, char** argv) {
  if (argc != 3)
    return 2;
  const int rename_too = strcmp(argv[1], "rename") == 0;
  DIR* d = opendir(argv[2]);
  if (d == NULL)
    return 1;
  const int dfd = dirfd(d);
  char** names = NULL;
  size_t count = 0, cap = 0;
  for (struct dirent* e; (e = readdir(d)) != NULL;) {
    if (e->d_type != DT_REG)
      continue;
    if (count == cap) {
      cap = cap ? cap * 2 : 1024;
      names = realloc(names, cap * sizeof *names);
    }
    names[count++] = strdup(e->d_name);
  }
  long total = 0;
  for (size_t i = 0; i < count; ++i) {
    const int fd = openat(dfd, names[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      continue;
    total += read_app1(fd);
    close(fd);
    if (rename_too) {
      char target[512];
      snprintf(target, sizeof target, "%s 2001-01-01 00-00-00.jpg", names[i]);
      renameat2(dfd, names[i], dfd, target, RENAME_NOREPLACE);
    }
    free(names[i]);
  }
  free(names);
  closedir(d);
  return total == -1 ? 1 : 0; /* keeps the reads observable */
}
