// Applying fixes: the repairs `check` offers for a file's errors, made to
// its text in one go.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jrl {

struct FixResult {
  // The text with the fixes applied; byte for byte the text given when
  // there was nothing to fix.
  std::string text;
  // How many fixes were applied, over every round.
  std::size_t fixes = 0;
};

// Applies the fixes of the errors `check` reports for `text`: each error's
// first suggestion (a trial parse showed that it mends its statement), the
// edits of different errors together as long as they do not overlap. A
// round is kept only when the errors it fixes go and none takes their
// place; otherwise its fixes are tried one by one. Rounds repeat on the
// fixed text until nothing changes, at most a few times. A byte-order mark
// and line endings are kept; warnings are never fixed.
FixResult fix(std::string_view text);

}  // namespace jrl
