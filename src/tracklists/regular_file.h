#pragma once

#include <string>

namespace plattera {

// A regular file opened read-only without ever waiting: the open does not block (O_NONBLOCK),
// so a FIFO or a device named like an audio file or a cue sheet is refused at once, once fstat
// shows what it is. Plain C++, for the program and for its tag reader alike.
class RegularFile {
public:
    explicit RegularFile(const char* path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Why the file is not open: the system's message, or "not a regular file".
    const std::string& problem() const { return m_problem; }
    long long size() const { return m_size; }
    // Reads up to `count` bytes from the start; false on a read error.
    bool readStart(std::string& bytes, long long count);
    // Hands the descriptor over (for a stream that closes it); the file no longer closes it.
    int release();

private:
    int m_fd = -1;
    long long m_size = 0;
    std::string m_problem;
};

} // namespace plattera
