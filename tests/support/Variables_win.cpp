#include "support/Variables.h"

#include <cstdlib>

namespace testsupport {

namespace {

// An empty value removes the variable from the C runtime's environment.
void SetVariable(const std::string& name, const char* value) { _putenv_s(name.c_str(), value == nullptr ? "" : value); }

}  // namespace

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    SetVariable(name_, value);
}

ScopedVariable::~ScopedVariable() { SetVariable(name_, previous_ ? previous_->c_str() : nullptr); }

}  // namespace testsupport
