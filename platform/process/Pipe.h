#pragma once
// Anonymous pipes and the reads a pipe's consumer needs.

#include <cstddef>

#include "platform/process/Event.h"
#include "platform/process/UniqueFd.h"

struct PipeEnds {
    UniqueFd read;
    UniqueFd write;
};

// Makes a pipe whose two ends are closed on exec. False when the system refuses.
bool CreatePipe(PipeEnds& ends);

// Reads of this end return at once instead of waiting for data.
bool SetNonBlocking(int fd);

enum class ReadStatus { Data, EndOfFile, Empty, Failed };

// One read of at most `size` bytes; `count` gets the number read. Empty: a non-blocking
// end has nothing now. EndOfFile: every write end is closed and nothing is left.
ReadStatus ReadSome(int fd, char* buffer, std::size_t size, std::size_t& count);

// Waits without a time limit until the pipe has data or end of file, or `stop` is set.
// True when the pipe is ready.
bool WaitReadableOr(int fd, const Event& stop);

// Bytes waiting in the pipe now.
std::size_t BytesWaiting(int fd);

// Asks for a buffer of at least `bytes`; the system may refuse (a user's limit), and the pipe
// then works as it was. True when granted.
bool GrowPipe(int fd, std::size_t bytes);
