#include "files/work_outcome.h"

#include <new>

#include "files/file_exception.h"

WorkFailure FailureOf(std::exception_ptr failure) {
  WorkFailure result;
  result.exception = failure;
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    result.kind = WorkFailure::Kind::outOfMemory;
    result.message = "Out of memory.";
  } catch (const CFileException& e) {
    result.kind = WorkFailure::Kind::file;
    result.message = e.GetErrorMessage();
    result.path = e.m_strFileName;
  } catch (...) {
    result.kind = WorkFailure::Kind::other;
  }
  return result;
}

std::string FailureText(const WorkFailure& failure, bool fromMenu) {
  if (!failure.message.empty()) return failure.message;
  return fromMenu ? "Command failed." : "Internal application error.";
}
