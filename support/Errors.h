#pragma once
// The program's error family. Every error carries a Polish message for the
// operator and a class name that the fatal report shows beside it.
#include <stdexcept>
#include <string>

namespace brenvik {

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "Exception"; }
  std::string Message() const { return what(); }
};

#define BRENVIK_DECLARE_ERROR(Name, Base)                    \
  class Name : public Base {                                 \
  public:                                                    \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  };

BRENVIK_DECLARE_ERROR(EConvertError, Exception)       // a value that is not of its kind
BRENVIK_DECLARE_ERROR(EArgumentException, Exception)  // a bad argument, e.g. a missing folder
BRENVIK_DECLARE_ERROR(EInOutError, Exception)         // a file that cannot be read or written
BRENVIK_DECLARE_ERROR(EFOpenError, EInOutError)       // a file that cannot be opened
BRENVIK_DECLARE_ERROR(EListError, Exception)          // an index outside a list
BRENVIK_DECLARE_ERROR(EDatabaseError, Exception)      // a table operation that failed
BRENVIK_DECLARE_ERROR(EXMLDocError, Exception)  // an XML document that cannot be read or built
BRENVIK_DECLARE_ERROR(EAbort, Exception)        // the operator declined to go on

// Class name of any error, ours or not, for reports.
std::string ErrorClassName(const std::exception& e);

}  // namespace brenvik
