// How the work of a command reports a failure instead of showing it: the
// window's handlers put the text in a message box, ztr-tool on stderr. The
// one place where an escaping exception becomes the text a user reads.
#pragma once

#include <exception>
#include <string>

struct WorkFailure {
  enum class Kind { none, outOfMemory, file, other };
  Kind kind = Kind::none;
  std::string message;  // what the user is told; empty for a failure of no known kind
  std::string path;     // the file it concerns, if any
  // The exception itself, for a caller whose own contract is to throw.
  std::exception_ptr exception;

  explicit operator bool() const { return kind != Kind::none; }
};

// The failure an exception thrown out of a command's work stands for.
WorkFailure FailureOf(std::exception_ptr failure);

// The text shown for the failure. One of no known kind reads "Command
// failed." for a command the user chose from the menu bar or a shortcut,
// "Internal application error." otherwise.
std::string FailureText(const WorkFailure& failure, bool fromMenu = true);

// Runs the work; what escapes it becomes the result, nothing when it ends well.
template <class Work>
WorkFailure RunWork(Work&& work) {
  try {
    work();
    return {};
  } catch (...) {
    return FailureOf(std::current_exception());
  }
}
