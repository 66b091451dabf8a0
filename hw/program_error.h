// The error the program's own code raises: a message and nothing else.
#pragma once
#include <exception>
#include <string>
#include <utility>

// Thrown instead of std::runtime_error and std::logic_error, whose reference-counted
// message string would bring the library's whole second string class into the
// executable; what() is all any handler here reads.
class ProgramError : public std::exception {
public:
    explicit ProgramError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
