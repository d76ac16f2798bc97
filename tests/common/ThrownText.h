#pragma once

// The text of an expected exception, so a test states call and text on one line.

#include <gtest/gtest.h>

#include <exception>
#include <string>

/// what() of the E that `call` throws; a test failure and "" when it throws nothing.
template <class E = std::exception, class F>
std::string ThrownText(F&& call)
{
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "no exception";
    return "";
}
