// The program's one failure type, a number, whose number it is and a description, and the
// result of an operation that gives a value or fails. Failures travel as values: no code of the
// program throws.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace base {

// Whose number a failure carries: a Windows error code, or the program's own (a run-time
// error such as 13 "Type mismatch", a program's exit status, or 0 for a reason of its own).
// Windows' 13 is ERROR_INVALID_DATA: only the source tells the two apart.
enum class Source : unsigned char { Windows, Program };

struct Failure {
    long number;
    Source source;
    std::wstring description;

    Failure(long number, std::wstring description, Source source = Source::Windows)
        : number(number), source(source), description(std::move(description)) {}
    static Failure Own(long number, std::wstring description) {
        return Failure(number, std::move(description), Source::Program);
    }
    // Whether it is Windows' error code.
    bool Is(long windowsError) const { return source == Source::Windows && number == windowsError; }
};

// A value, or the failure that stopped the operation from giving one. An operation that gives
// no value returns std::optional<Failure> instead: empty when it worked.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    const Failure& failure() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

}  // namespace base
