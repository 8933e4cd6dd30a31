#pragma once
// An action that must stop throws one of these; the command boundary (a button handler, a CLI
// command) catches it and reports its text once.

#include <stdexcept>
#include <string>

namespace tem {

class ActionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Text that does not convert to a number.
class ConversionError : public ActionError {
  public:
    using ActionError::ActionError;
};

/// A list index that is missing, or an array index outside its bounds.
class ListIndexError : public ActionError {
  public:
    using ActionError::ActionError;
};

/// A file that cannot be opened, read or written.
class InOutError : public ActionError {
  public:
    using ActionError::ActionError;
};

} // namespace tem
