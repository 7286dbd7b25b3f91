#pragma once
// Exceptions of the exchange core. Their messages are already translated and are shown as they
// stand by the user interface (a message box titled "Erro").

#include <stdexcept>

class ECoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A programming file that cannot be read, is not a programming file, or may not be written.
class EProgrammingFileError : public ECoreError {
public:
    using ECoreError::ECoreError;
};
