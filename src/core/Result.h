#pragma once

#include <string>
#include <utility>
#include <variant>

// Why a step was refused or failed: one line for the operator, in the program's own words.
struct Failure {
    std::string Reason;
};

// What a step that can be refused or can fail gives back: the value it made, or the reason it
// did not make it. `Result<>` is for steps that make nothing. A result cannot be dropped
// unread, so a failure cannot be lost by a caller that forgot to look.
template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Failure failure)
        : state_(std::in_place_index<1>, std::move(failure.Reason))
    {
    }

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // The value made; throws std::bad_variant_access for a failure.
    const T& Value() const& { return std::get<0>(state_); }
    T& Value() & { return std::get<0>(state_); }
    T&& Value() && { return std::get<0>(std::move(state_)); }

    // The reason; empty for a result that is Ok.
    const std::string& Reason() const
    {
        static const std::string none;
        return Ok() ? none : std::get<1>(state_);
    }

private:
    std::variant<T, std::string> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : reason_(std::move(failure.Reason))
        , failed_(true)
    {
    }

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }

    // The reason; empty for a result that is Ok.
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
    bool failed_ = false;
};
