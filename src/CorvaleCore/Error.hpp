#pragma once

#include <exception>
#include <string>

namespace corvale {

// The one base of every error the system throws: each carries a sentence a user can read.
class Error : public std::exception {
public:
    virtual std::string description() const = 0;

    const char* what() const noexcept override {
        try {
            what_ = description();
        } catch (...) {
            what_.clear();
        }
        return what_.c_str();
    }

private:
    mutable std::string what_;
};

} // namespace corvale
