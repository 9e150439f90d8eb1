#pragma once

#include <cstddef>
#include <string>

// The operating system's half of the correction log: appending one record to a file so that
// the record is either whole or absent. It stays free of Qt so that the Windows source builds
// with the cross compiler on its own; one source per platform implements it.
namespace LogFileNative {

// The error number for a path that names something other than a regular file (a symbolic
// link, a named pipe, a device, a folder), which is never written.
constexpr int kNotRegularFile = -1;

// Appends the bytes to the file (created when missing) and returns 0 or the system's error
// number. A write that fails part-way is cut back, so the file keeps only whole records.
// The path is in the file system's encoding (UTF-8 on Windows). Never follows a symbolic link
// and never waits for a reader (a named pipe is refused at once).
int appendRecord(const std::string &path, const char *data, std::size_t size);

// Whether a record could be appended to an existing file, without writing anything: 0 or
// the error number appendRecord would give.
int probeAppend(const std::string &path);

// A text for an error number, in plain words.
std::string errorText(int error);

} // namespace LogFileNative
