#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace brivane {

// Why a call failed, in words for the log: for calls with nothing more to tell.
struct Error {
    std::string message;
};

// What a call that can fail returns: its value, or the failure in its place.
// Read like an optional (test it, then * or ->); Failure() says why. Made
// from either a T or an E, so the two must be different types. Marked
// nodiscard: a failure dropped unread is how faults go unnoticed.
template <typename T, typename E = Error>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }

    T& operator*() & { return std::get<0>(state_); }
    const T& operator*() const& { return std::get<0>(state_); }
    T&& operator*() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    E& Failure() { return std::get<1>(state_); }
    const E& Failure() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

// A call that returns nothing but can fail: `return {};` on success.
template <typename E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E failure) : failure_(std::move(failure)) {}

    explicit operator bool() const { return !failure_; }

    E& Failure() { return failure_.value(); }
    const E& Failure() const { return failure_.value(); }

private:
    std::optional<E> failure_;
};

}  // namespace brivane
