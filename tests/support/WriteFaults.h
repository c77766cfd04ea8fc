#pragma once
// Faults for programs that write files, run as child processes: a disk that fills, and an
// interruption in the middle of a write.
#include <string>

class ProgramRun;

// command run by sh with its files limited to about kib KiB and SIGXFSZ ignored, so a write past
// the limit fails with EFBIG ("File too large") as one on a full disk fails with ENOSPC.
std::string withFileSizeLimit(const std::string& command, int kib);

// Waits until run's program has opened the named pipe fifo for writing and written to it (the
// pipe is opened here for reading, and one byte is taken). A writer that writes more than the
// pipe holds (64 KiB) then stays blocked in the middle of its file. Returns the read end, which
// the caller closes once the program has ended (closed earlier, the writer would die of
// SIGPIPE); -1 when the program ended first, or after two minutes.
int openWhenWriting(const std::string& fifo, ProgramRun& run);
