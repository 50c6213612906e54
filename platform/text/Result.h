// The device's one way of saying that something failed: a function that can
// fail returns a Result, which holds either what it made or an Error in words
// for the user. Win32 error codes belong to the API functions alone; inside
// the device a failure travels as a Result until the API edge or a message.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

// What went wrong, as one line for a user (UTF-8, not yet quoted for a
// terminal: the code that prints it does that), with the errno behind it
// where there is one, so that an API function can turn it into its code.
struct Error {
    std::string message;
    int code { 0 };
};

// A value of type T, or the Error that kept it from being made. Shaped like
// C++23's std::expected, so that it can become one.
template<typename T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() &
    {
        assert(has_value());
        return std::get<0>(m_state);
    }
    T const& value() const&
    {
        assert(has_value());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        assert(has_value());
        return std::get<0>(std::move(m_state));
    }
    T& operator*() & { return value(); }
    T const& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    T const* operator->() const { return &value(); }

    Error const& error() const
    {
        assert(!has_value());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, Error> m_state;
};

// An action that either succeeds or fails with an Error.
template<>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
    {
    }

    bool has_value() const { return !m_error; }
    explicit operator bool() const { return has_value(); }

    Error const& error() const
    {
        assert(m_error);
        return *m_error;
    }

private:
    std::optional<Error> m_error;
};

}
