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
