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

// Opens for writing at the end without following a reparse point (a symbolic link or a
// junction planted by another user), then makes sure it is a plain disk file; gives its size.
HANDLE openForAppend(const std::string &path, int &error, LARGE_INTEGER &size)
{
    const HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
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

} // namespace

int appendRecord(const std::string &path, const char *data, std::size_t size)
{
    int error = 0;
    LARGE_INTEGER sizeBefore {};
    const HANDLE file = openForAppend(path, error, sizeBefore);
    if (file == INVALID_HANDLE_VALUE) {
        return error;
    }
    const LARGE_INTEGER zero {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) {
        error = static_cast<int>(GetLastError());
        CloseHandle(file);
        return error;
    }
    std::size_t done = 0;
    while (done < size) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(size - done > 0x10000000 ? 0x10000000 : size - done);
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) {
            error = static_cast<int>(GetLastError());
            if (error == 0) {
                error = ERROR_WRITE_FAULT;
            }
            break;
        }
        done += written;
    }
    if (error != 0) {
        // A full disk takes part of a record; cut it away, or the next record would be glued
        // onto half a line.
        SetFilePointerEx(file, sizeBefore, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
    return error;
}

int probeAppend(const std::string &path)
{
    int error = 0;
    LARGE_INTEGER size {};
    const HANDLE file = openForAppend(path, error, size);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return error;
}

std::string errorText(int error)
{
    if (error == kNotRegularFile) {
        return "it is not a regular file (a link, a pipe or a device is never written)";
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
