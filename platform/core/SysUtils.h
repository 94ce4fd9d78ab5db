#pragma once
// Exceptions of the class library stand-in, and the base object every class derives from.
#include <stdexcept>
#include <string>

// Root of the class tree: string lists hold TObject pointers, components derive from it.
class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
};

// Base of every exception the program raises; Message() is what the default handler shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// The silent exception: it ends the handling of the current event and shows nothing.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EDivByZero : public Exception {
public:
    using Exception::Exception;
};

class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, int errorCode = 0) : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EListError : public Exception {
public:
    using Exception::Exception;
};

class EStringListError : public EListError {
public:
    using EListError::EListError;
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// Streams and component streaming.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EParserError : public Exception {
public:
    using Exception::Exception;
};

class EComponentError : public Exception {
public:
    using Exception::Exception;
};

class EPropertyError : public Exception {
public:
    using Exception::Exception;
};
