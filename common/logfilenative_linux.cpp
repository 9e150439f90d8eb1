#include "logfilenative.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LogFileNative {

namespace {

// Opens without following a symbolic link (another user may plant one in a shared folder)
// and without blocking (a named pipe with no reader or writer would wait forever), then makes
// sure it is a regular file. Returns the descriptor and the file's size, or -1 with the error
// in error.
int openRegular(const std::string &path, int flags, int &error, off_t &size)
{
    const int descriptor = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
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

int writeAll(int descriptor, const char *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, data + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        done += std::size_t(written);
    }
    return 0;
}

// Writes at the end; a write that fails part-way (a full disk, a file size limit) is cut
// away, or the next record would be glued onto half a line. Closes the descriptor.
int appendAndClose(int descriptor, off_t sizeBefore, const char *data, std::size_t size)
{
    int error = writeAll(descriptor, data, size);
    if (error != 0) {
        while (::ftruncate(descriptor, sizeBefore) != 0 && errno == EINTR) { }
    }
    if (::close(descriptor) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

} // namespace

int appendRecord(const std::string &path, const char *data, std::size_t size)
{
    int error = 0;
    off_t sizeBefore = 0;
    const int descriptor = openRegular(path, O_WRONLY | O_APPEND | O_CREAT, error, sizeBefore);
    if (descriptor < 0) {
        return error;
    }
    return appendAndClose(descriptor, sizeBefore, data, size);
}

int appendLine(const std::string &path, const std::string &line, const std::string &firstLine)
{
    int error = 0;
    off_t sizeBefore = 0;
    const int descriptor = openRegular(path, O_RDWR | O_APPEND | O_CREAT, error, sizeBefore);
    if (descriptor < 0) {
        return error;
    }
    std::string bytes;
    if (sizeBefore == 0) {
        bytes.append(firstLine);
    } else {
        char last = '\n';
        if (::pread(descriptor, &last, 1, sizeBefore - 1) == 1 && last != '\n') {
            bytes.push_back('\n');
        }
    }
    bytes.append(line);
    return appendAndClose(descriptor, sizeBefore, bytes.data(), bytes.size());
}

int probeAppend(const std::string &path)
{
    int error = 0;
    off_t size = 0;
    const int descriptor = openRegular(path, O_WRONLY | O_APPEND | O_CREAT, error, size);
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return error;
}

int replaceFile(const std::string &path, const char *data, std::size_t size)
{
    std::string temporary = path;
    temporary.append(".XXXXXX");
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return errno;
    }
    int error = ::fchmod(descriptor, 0644) != 0 ? errno : writeAll(descriptor, data, size);
    if (::close(descriptor) != 0 && error == 0) {
        error = errno;
    }
    // A rename replaces a link at the path itself, never the file it points to.
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

ReadableFile::~ReadableFile()
{
    if (m_handle >= 0) {
        ::close(int(m_handle));
    }
}

int ReadableFile::open(const std::string &path)
{
    int error = 0;
    off_t size = 0;
    m_handle = openRegular(path, O_RDONLY, error, size);
    m_size = size;
    return error;
}

bool ReadableFile::isMissing(int error) const
{
    return error == ENOENT;
}

int ReadableFile::read(std::int64_t offset, char *buffer, std::size_t size, std::size_t &done)
{
    done = 0;
    while (done < size) {
        const ssize_t got
            = ::pread(int(m_handle), buffer + done, size - done, offset + off_t(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            break;
        }
        done += std::size_t(got);
    }
    return 0;
}

std::string errorText(int error)
{
    if (error == kNotRegularFile) {
        return "it is not a regular file (a link, a pipe or a device is never used)";
    }
    return std::strerror(error);
}

} // namespace LogFileNative
