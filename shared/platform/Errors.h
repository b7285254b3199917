#pragma once
// Every failure the user can see is an exception whose what() is the text shown.
#include <stdexcept>
#include <string>
#include <system_error>

class VarnholtError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read, write or positioning failure of a file or stream.
class EInOutError : public VarnholtError {
public:
    using VarnholtError::VarnholtError;
};

// A file could not be opened or created ("Cannot open file: ..."); readers that give up on any
// file failure catch both through EInOutError.
class EFOpenError : public EInOutError {
public:
    using EInOutError::EInOutError;
};

// The system's words for an errno value.
inline std::string SystemReason(int error) { return std::generic_category().message(error); }

// "<what>: <path>: <reason>", the form of every file error.
inline std::string FileErrorText(const std::string& what, const std::string& path,
                                 const std::string& reason) {
    return what + ": " + path + ": " + reason;
}

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
