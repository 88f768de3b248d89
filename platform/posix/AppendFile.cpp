#include "platform/AppendFile.h"

// Linux: O_APPEND makes every write(2) land at the end, as one piece for a regular file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarrow {

std::optional<std::string> TAppendFile::Open(const std::string& utf8Path)
{
    Close();
    fd_ = ::open(utf8Path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ == -1) return std::string(std::strerror(errno));
    return std::nullopt;
}

void TAppendFile::Close() noexcept
{
    if (fd_ != -1) ::close(fd_);
    fd_ = -1;
}

bool TAppendFile::IsOpen() const noexcept { return fd_ != -1; }

bool TAppendFile::Append(std::string_view bytes) noexcept
{
    if (fd_ == -1) return false;
    ssize_t written;
    do {
        written = ::write(fd_, bytes.data(), bytes.size());
    } while (written == -1 && errno == EINTR);
    return written == static_cast<ssize_t>(bytes.size());
}

std::uintmax_t TAppendFile::Size() const noexcept
{
    struct stat estado {};
    if (fd_ == -1 || ::fstat(fd_, &estado) != 0) return 0;
    return static_cast<std::uintmax_t>(estado.st_size);
}

unsigned long CurrentProcessId() noexcept { return static_cast<unsigned long>(::getpid()); }

}  // namespace tarrow
