// The exception tree of the program. Every failure we raise is one of these.
#pragma once

#include <stdexcept>
#include <string>

namespace orv {

// Base of all of our own exceptions. Messages are UTF-8.
class Exception : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Stream, conversion, thread, timer, text-position and picture decoding errors.
class TCommonException : public Exception {
public:
  using Exception::Exception;
};

class EStreamError : public TCommonException {
public:
  using TCommonException::TCommonException;
};

class EConvertError : public TCommonException {
public:
  using TCommonException::TCommonException;
};

class EThreadError : public TCommonException {
public:
  using TCommonException::TCommonException;
};

// File and folder errors.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

// A failed internal consistency check (see assertions.h).
class EAssertionFailed : public Exception {
public:
  using Exception::Exception;
};

}  // namespace orv
