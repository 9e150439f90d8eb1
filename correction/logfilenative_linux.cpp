#include "logfilenative.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LogFileNative {

namespace {

// Opens for appending without following a symbolic link (another user may plant one in a
// shared folder) and without blocking (a named pipe with no reader would wait forever), then
// makes sure it is a regular file. Returns the descriptor and the file's size, or -1 with the
// error in error.
int openForAppend(const std::string &path, int &error, off_t &size)
{
    const int descriptor = ::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        error = errno == ELOOP || errno == ENXIO ? kNotRegularFile : errno;
        return -1;
    }
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        error = kNotRegularFile;
        return -1;
    }
    error = 0;
    size = status.st_size;
    return descriptor;
}

} // namespace

int appendRecord(const std::string &path, const char *data, std::size_t size)
{
    int error = 0;
    off_t sizeBefore = 0;
    const int descriptor = openForAppend(path, error, sizeBefore);
    if (descriptor < 0) {
        return error;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, data + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error = written < 0 ? errno : EIO;
            break;
        }
        done += std::size_t(written);
    }
    if (error != 0) {
        // A full disk takes part of a record; cut it away, or the next record would be glued
        // onto half a line.
        while (::ftruncate(descriptor, sizeBefore) != 0 && errno == EINTR) { }
    }
    if (::close(descriptor) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

int probeAppend(const std::string &path)
{
    int error = 0;
    off_t size = 0;
    const int descriptor = openForAppend(path, error, size);
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return error;
}

std::string errorText(int error)
{
    if (error == kNotRegularFile) {
        return "it is not a regular file (a link, a pipe or a device is never written)";
    }
    return std::strerror(error);
}

} // namespace LogFileNative
