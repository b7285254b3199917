#pragma once
// Every failure the user can see is an exception whose what() is the text shown.
#include <stdexcept>
#include <string>

class VarnholtError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A data file could not be opened ("Cannot open file: ...").
class EFOpenError : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};

// A read, write or positioning failure of a file or stream.
class EInOutError : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};

// An operation a bitmap or picture cannot do ("Unsupported bitmap format", ...).
class EInvalidGraphicOperation : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};

// A PNG that libpng or the codec refused.
class EPngError : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};

// A date or time that does not exist (a damaged tIME chunk).
class EConvertError : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};
