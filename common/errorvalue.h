#pragma once

#include <QString>

#include <optional>

// A failure as the serial port and the message boxes report it: a number and a text.
struct ErrorValue
{
    int number = 0;
    QString text;

    friend bool operator==(const ErrorValue &, const ErrorValue &) = default;
};

// The outcome of an operation that returns nothing: empty on success, the error otherwise.
using Outcome = std::optional<ErrorValue>;

// The outcome of an operation that returns a value: either the value or the error.
template<typename T>
class Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    {}
    Result(ErrorValue error)
        : m_error(std::move(error))
    {}

    bool ok() const { return m_value.has_value(); }
    const T &value() const { return *m_value; }
    const ErrorValue &error() const { return m_error; }

private:
    std::optional<T> m_value;
    ErrorValue m_error;
};
