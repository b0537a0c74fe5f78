#pragma once
// The program's error family. Every error carries a Polish message for the
// operator and a class name that the fatal report shows beside it.
#include <stdexcept>
#include <string>

namespace brenvik {

// What an error tells the operator about its cause; see ErrorClasses.def.
enum class TFaultKind {
  Expected,      // a cause outside the program, named in the message
  ProgramFault,  // a mistake in the program: reported as unexpected
  Stop,          // the operator declined to go on: not an error at all
};

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "Exception"; }
  // Every error of the family carries a message written for the operator.
  virtual TFaultKind Kind() const { return TFaultKind::Expected; }
  std::string Message() const { return what(); }
};

// A class of the family with its base's kind.
#define BRENVIK_DECLARE_ERROR(Name, Base)                    \
  class Name : public Base {                                 \
  public:                                                    \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  };

// A class of the family with a kind of its own.
#define BRENVIK_DECLARE_ERROR_KIND(Name, Base, FaultKind)              \
  class Name : public Base {                                           \
  public:                                                              \
    using Base::Base;                                                  \
    const char* ClassName() const override { return #Name; }           \
    TFaultKind Kind() const override { return TFaultKind::FaultKind; } \
  };
#define BRENVIK_ERROR_CLASS BRENVIK_DECLARE_ERROR_KIND
#include "support/ErrorClasses.def"
#undef BRENVIK_ERROR_CLASS

// The kind of any error: errors from outside the family are program faults.
TFaultKind FaultKind(const std::exception& e);

// Class name of any error, ours or not, for reports.
std::string ErrorClassName(const std::exception& e);

}  // namespace brenvik
