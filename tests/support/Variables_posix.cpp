#include "support/Variables.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/ImageFiles.h"

namespace testsupport {

namespace {

void SetVariable(const std::string& name, const char* value) {
    if (value == nullptr) {
        ::unsetenv(name.c_str());
    } else {
        ::setenv(name.c_str(), value, 1);
    }
}

// Every test process keeps its settings and logs in a temporary folder of its own, so no test
// reads or writes the user's ~/.config or ~/.local/state, and a console tool started by a
// test inherits the same places.
class TemporaryPlaces : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<testimages::TempFolder>();
        ::setenv("XDG_CONFIG_HOME", folder_->File("config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", folder_->File("state").c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<testimages::TempFolder> folder_;
};

::testing::Environment* const temporaryPlaces = ::testing::AddGlobalTestEnvironment(new TemporaryPlaces);

}  // namespace

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    SetVariable(name_, value);
}

ScopedVariable::~ScopedVariable() { SetVariable(name_, previous_ ? previous_->c_str() : nullptr); }

}  // namespace testsupport
