// The program's one failure type: a number and a description, raised as an exception.
#pragma once

#include <string>
#include <utility>

struct Failure {
    long number;
    std::wstring description;

    Failure(long number, std::wstring description)
        : number(number), description(std::move(description)) {}
};

// Raises the failure. The code raises through this one function rather than with throw, so
// that the code the check shares with the launcher also builds without C++ exceptions, as
// the check is built.
[[noreturn]] void Raise(Failure failure);
