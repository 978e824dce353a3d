// A rendering of a whole file written a requirement at a time, for files
// whose requirements are built, written and dropped one by one.
#pragma once

#include "jrl/model.hpp"

namespace jrl {

class RequirementWriter {
 public:
  virtual ~RequirementWriter() = default;
  // The next requirement of the file, in order.
  virtual void requirement(const JRLRequirement& value) = 0;
  // Closes the file's text and hands the rest of it on.
  virtual void finish() = 0;
};

}  // namespace jrl
