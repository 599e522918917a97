// The program's own errors. Each carries the exact message the user sees,
// as Windows-1252 bytes; front ends catch them at the command boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace nivora {

/// Base of every error the program raises itself. what() is the user's message.
class ErroNivora : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A text that does not convert to a number:
/// "'%s' is not a valid floating point value" / "'%s' is not a valid integer value".
class EConvertError : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// A file that cannot be opened: "Cannot open file "%s". %s".
class EFOpenError : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// A failed read, write, flush or close of a file the program works on.
class EInOutError : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// Floating-point failures of the fit ("Floating point division by zero",
/// "Invalid floating point operation").
class EMathError : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};
class EZeroDivide : public EMathError {
 public:
  EZeroDivide() : EMathError("Floating point division by zero") {}
};
class EInvalidOp : public EMathError {
 public:
  EInvalidOp() : EMathError("Invalid floating point operation") {}
};

/// Ends a whole user command without any further message (the "silent abort").
class EAbort : public ErroNivora {
 public:
  EAbort() : ErroNivora("Operation aborted") {}
};

}  // namespace nivora
