// Environment variables set for the length of a test and put back afterwards.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Sets `name` to `value`, or removes it when `value` is null; the destructor restores it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace testsupport
