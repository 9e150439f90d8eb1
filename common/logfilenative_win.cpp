#include "logfilenative.h"

#include <vector>
#include <windows.h>

namespace LogFileNative {

namespace {

std::wstring widePath(const std::string &path)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, buffer.data(), length);
    return std::wstring(buffer.data());
}

// Opens without following a reparse point (a symbolic link or a junction planted by another
// user), then makes sure it is a plain disk file (a named pipe is refused); gives its size.
HANDLE openRegular(const std::string &path, DWORD access, DWORD disposition, int &error,
                   LARGE_INTEGER &size)
{
    const HANDLE file = CreateFileW(
        widePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION information {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information)
        || (information.dwFileAttributes
            & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
            != 0) {
        CloseHandle(file);
        error = kNotRegularFile;
        return INVALID_HANDLE_VALUE;
    }
    error = 0;
    size.LowPart = information.nFileSizeLow;
    size.HighPart = static_cast<LONG>(information.nFileSizeHigh);
    return file;
}

int writeAll(HANDLE file, const char *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(size - done > 0x10000000 ? 0x10000000 : size - done);
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) {
            const int error = static_cast<int>(GetLastError());
            return error != 0 ? error : ERROR_WRITE_FAULT;
        }
        done += written;
    }
    return 0;
}

// Writes at the end; a write that fails part-way (a full disk) is cut away, or the next
// record would be glued onto half a line. Closes the handle.
int appendAndClose(HANDLE file, LARGE_INTEGER sizeBefore, const char *data, std::size_t size)
{
    const LARGE_INTEGER zero {};
    int error = 0;
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) {
        error = static_cast<int>(GetLastError());
    } else {
        error = writeAll(file, data, size);
        if (error != 0) {
            SetFilePointerEx(file, sizeBefore, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
        }
    }
    CloseHandle(file);
    return error;
}

} // namespace

int appendRecord(const std::string &path, const char *data, std::size_t size)
{
    int error = 0;
    LARGE_INTEGER sizeBefore {};
    const HANDLE file = openRegular(path, GENERIC_WRITE, OPEN_ALWAYS, error, sizeBefore);
    if (file == INVALID_HANDLE_VALUE) {
        return error;
    }
    return appendAndClose(file, sizeBefore, data, size);
}

int appendLine(const std::string &path, const std::string &line, const std::string &firstLine)
{
    int error = 0;
    LARGE_INTEGER sizeBefore {};
    const HANDLE file
        = openRegular(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, error, sizeBefore);
    if (file == INVALID_HANDLE_VALUE) {
        return error;
    }
    std::string bytes;
    if (sizeBefore.QuadPart == 0) {
        bytes = firstLine;
    } else {
        LARGE_INTEGER lastByte {};
        lastByte.QuadPart = sizeBefore.QuadPart - 1;
        char last = '\n';
        DWORD got = 0;
        if (SetFilePointerEx(file, lastByte, nullptr, FILE_BEGIN)
            && ReadFile(file, &last, 1, &got, nullptr) && got == 1 && last != '\n') {
            bytes.push_back('\n');
        }
    }
    bytes += line;
    return appendAndClose(file, sizeBefore, bytes.data(), bytes.size());
}

int probeAppend(const std::string &path)
{
    int error = 0;
    LARGE_INTEGER size {};
    const HANDLE file = openRegular(path, GENERIC_WRITE, OPEN_ALWAYS, error, size);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return error;
}

int replaceFile(const std::string &path, const char *data, std::size_t size)
{
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
    // One left by a copy that ended during a replacement goes first.
    DeleteFileW(widePath(temporary).c_str());
    const HANDLE file = CreateFileW(widePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return static_cast<int>(GetLastError());
    }
    int error = writeAll(file, data, size);
    CloseHandle(file);
    // Moving over a link replaces the link itself, never the file it points to.
    if (error == 0
        && !MoveFileExW(widePath(temporary).c_str(), widePath(path).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = static_cast<int>(GetLastError());
    }
    if (error != 0) {
        DeleteFileW(widePath(temporary).c_str());
    }
    return error;
}

ReadableFile::~ReadableFile()
{
    if (m_handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    }
}

int ReadableFile::open(const std::string &path)
{
    int error = 0;
    LARGE_INTEGER size {};
    const HANDLE file = openRegular(path, GENERIC_READ, OPEN_EXISTING, error, size);
    m_handle = file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(file);
    m_size = size.QuadPart;
    return error;
}

bool ReadableFile::isMissing(int error) const
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int ReadableFile::read(std::int64_t offset, char *buffer, std::size_t size, std::size_t &done)
{
    done = 0;
    while (done < size) {
        OVERLAPPED at {};
        const std::uint64_t position = std::uint64_t(offset) + done;
        at.Offset = static_cast<DWORD>(position & 0xffffffffu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD chunk = static_cast<DWORD>(size - done > 0x10000000 ? 0x10000000 : size - done);
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(m_handle), buffer + done, chunk, &got, &at)) {
            const int error = static_cast<int>(GetLastError());
            return error == ERROR_HANDLE_EOF ? 0 : error;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return 0;
}

std::string errorText(int error)
{
    if (error == kNotRegularFile) {
        return "it is not a regular file (a link, a pipe or a device is never used)";
    }
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length)
                                                       : "error " + std::to_string(error);
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) {
        result.pop_back();
    }
    return result;
}

} // namespace LogFileNative
