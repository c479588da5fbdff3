#pragma once

#include <cstddef>
#include <cstdint>

// The session log's file on Linux, apart from the platform functions so that the simulated
// bus's test build of the library logs through the same code.
namespace varnel::linux_hidraw {

// The file VARNEL_SESSION_LOG names, opened for appending (made when missing); -1 when the
// variable is unset or empty, or the file cannot be opened or is a pipe or socket (a reader
// that goes away must not end the program with SIGPIPE, nor one that never comes hang it).
int OpenSessionFile();
// The whole text in one write(); false when it was not all written.
bool AppendWhole(int fd, const char* text, std::size_t length);
// CLOCK_MONOTONIC in milliseconds.
std::int64_t MonotonicMilliseconds();

}  // namespace varnel::linux_hidraw
