#include "WriteFaults.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "ProgramRun.h"

std::string withFileSizeLimit(const std::string& command, int kib) {
  // sh counts ulimit -f in 512-byte blocks (dash), bash in KiB: ask for the smaller meaning.
  return "(ulimit -f " + std::to_string(kib) + " && trap '' XFSZ && exec " + command + ")";
}

int openWhenWriting(const std::string& fifo, ProgramRun& run) {
  // Non-blocking: the open succeeds at once, and read gives 0 while no writer has the pipe open.
  const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return -1;
  bool writing = false;
  for (int round = 0; round < 1200 && !writing && run.running(); ++round) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char byte = 0;
      writing = read(fd, &byte, 1) == 1;
      if (!writing) usleep(100000);  // no writer yet (end of file): look again
    }
  }
  if (writing) return fd;
  close(fd);
  return -1;
}
