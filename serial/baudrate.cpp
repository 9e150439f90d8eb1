#include "baudrate.h"

#include "serial/mscomm1.h"
#include "serial/nativebaudrate.h"

namespace {

ErrorValue errorOf(NativeBaudRate::Status status)
{
    switch (status) {
    case NativeBaudRate::NotOpen:
        return ErrorValue { status, QString::fromLatin1(NativeBaudRate::kNotOpenText) };
    case NativeBaudRate::ReadFailed:
        return ErrorValue { status, QString::fromLatin1(NativeBaudRate::kReadFailedText) };
    case NativeBaudRate::WriteFailed:
    default:
        return ErrorValue { NativeBaudRate::WriteFailed,
                            QString::fromLatin1(NativeBaudRate::kWriteFailedText) };
    }
}

} // namespace

Outcome SetBaudRate(MSComm1 &com, const qint32 &baud)
{
    const NativeBaudRate::Status status
        = NativeBaudRate::setBaudRate(com.portOpen(), com.commId(), baud);
    if (status != NativeBaudRate::Ok) {
        return errorOf(status);
    }
    return std::nullopt;
}

Result<qint32> GetBaudRate(MSComm1 &com)
{
    std::int32_t baud = 0;
    const NativeBaudRate::Status status
        = NativeBaudRate::getBaudRate(com.portOpen(), com.commId(), baud);
    if (status != NativeBaudRate::Ok) {
        return errorOf(status);
    }
    return qint32 { baud };
}
