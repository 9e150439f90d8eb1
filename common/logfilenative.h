#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The operating system's half of the files that only grow by whole records (the correction
// log, the offset history): appending a record so that it is either whole or absent, reading
// such a file back, and replacing it in one step. It stays free of Qt so that the Windows
// source builds with the cross compiler on its own; one source per platform implements it.
// Paths are in the file system's encoding (UTF-8 on Windows). Nothing here follows a symbolic
// link or waits for another program (a named pipe is refused at once).
namespace LogFileNative {

// The error number for a path that names something other than a regular file (a symbolic
// link, a named pipe, a device, a folder), which is never written.
constexpr int kNotRegularFile = -1;

// Appends the bytes to the file (created when missing) and returns 0 or the system's error
// number. A write that fails part-way is cut back, so the file keeps only whole records.
int appendRecord(const std::string &path, const char *data, std::size_t size);

// Appends a line (ending in a line end) so that it starts a line of its own: when the file's
// last byte is not a line end, one goes first; an empty file gets firstLine before it. All of
// it in one write that is cut back when it fails part-way. 0 or the error number.
int appendLine(const std::string &path, const std::string &line, const std::string &firstLine);

// Whether a record could be appended to an existing file, without writing anything: 0 or
// the error number appendRecord would give.
int probeAppend(const std::string &path);

// Replaces the file by one that holds the bytes, through a new file renamed over it: a reader
// sees the old file or the new one, never a part. 0 or the error number.
int replaceFile(const std::string &path, const char *data, std::size_t size);

// An existing regular file opened for reading.
class ReadableFile
{
public:
    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(const ReadableFile &) = delete;
    ReadableFile &operator=(const ReadableFile &) = delete;

    // 0, or the error number (ENOENT and its Windows counterparts for a missing file).
    int open(const std::string &path);
    bool isMissing(int error) const;
    // The size when it was opened.
    std::int64_t size() const { return m_size; }
    // Reads up to size bytes at offset into buffer; done tells how many (0 at the end).
    int read(std::int64_t offset, char *buffer, std::size_t size, std::size_t &done);

private:
    std::intptr_t m_handle = -1;
    std::int64_t m_size = 0;
};

// A text for an error number, in plain words.
std::string errorText(int error);

} // namespace LogFileNative
