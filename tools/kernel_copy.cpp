// kernel_copy SOURCE OFFSET TARGET: copies SOURCE from byte OFFSET to its end
// into a new TARGET with copy_file_range in 20 MiB steps, as quarnex copies
// a piece of a member. The benchmark uses it to time the kernel copy of
// bytes that lie at the same place within a page as the image bytes in the
// first member (byte 304 on), without quarnex around it.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: kernel_copy SOURCE OFFSET TARGET\n");
    return 2;
  }
  char* end = nullptr;
  long long offset = strtoll(argv[2], &end, 10);
  if (*argv[2] == '\0' || *end != '\0' || offset < 0) {
    fprintf(stderr, "kernel_copy: bad offset '%s'\n", argv[2]);
    return 2;
  }
  int in = open(argv[1], O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    fprintf(stderr, "kernel_copy: %s: %s\n", argv[1], strerror(errno));
    return 1;
  }
  int out = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    fprintf(stderr, "kernel_copy: %s: %s\n", argv[3], strerror(errno));
    return 1;
  }
  if (lseek(in, offset, SEEK_SET) != offset) {
    fprintf(stderr, "kernel_copy: cannot seek to %lld: %s\n", offset, strerror(errno));
    return 1;
  }
  const size_t kStep = 20 * 1024 * 1024;
  for (;;) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, kStep, 0);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      fprintf(stderr, "kernel_copy: copy_file_range: %s\n", strerror(errno));
      return 1;
    }
  }
  if (close(out) != 0) {
    fprintf(stderr, "kernel_copy: %s: %s\n", argv[3], strerror(errno));
    return 1;
  }
  return 0;
}
