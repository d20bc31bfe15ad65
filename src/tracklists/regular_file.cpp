#include "tracklists/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plattera {

RegularFile::RegularFile(const char* path)
{
    m_fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        m_problem = std::strerror(errno);
        return;
    }
    struct stat info { };
    if (::fstat(m_fd, &info) != 0) {
        m_problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        m_problem = "not a regular file";
    } else {
        m_size = info.st_size;
        return;
    }
    ::close(m_fd);
    m_fd = -1;
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RegularFile::readStart(std::string& bytes, long long count)
{
    bytes.resize(size_t(std::max(0LL, std::min(count, m_size))));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_problem = std::strerror(errno);
            return false;
        }
        if (got == 0)
            break; // the file shrank while we read it
        done += size_t(got);
    }
    bytes.resize(done);
    return true;
}

int RegularFile::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

} // namespace plattera
