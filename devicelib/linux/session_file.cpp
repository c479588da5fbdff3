#include "linux/session_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace varnel::linux_hidraw {

int OpenSessionFile() {
  const char* path = std::getenv("VARNEL_SESSION_LOG");
  if (path == nullptr || *path == '\0') return -1;
  // O_APPEND: each write lands whole at the end, also beside another writer of the file.
  const int fd =
      open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat status = {};
  if (fstat(fd, &status) != 0 || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

bool AppendWhole(int fd, const char* text, std::size_t length) {
  ssize_t written = 0;
  do {
    written = write(fd, text, length);
  } while (written < 0 && errno == EINTR);
  return written >= 0 && static_cast<std::size_t>(written) == length;
}

std::int64_t MonotonicMilliseconds() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace varnel::linux_hidraw
