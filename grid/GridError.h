// The grid family's exception: every failure of a grid operation (a cell that holds no number, a
// row or column outside the grid, a format string the grid cannot use) is raised as EVozAvozError
// with a fixed English message, and caught at the UI boundary.
#pragma once

#include <stdexcept>

class EVozAvozError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
