// Which kind of fault an error chain is: its diagnostic code.
#pragma once

#include <string_view>

#include "jrl/error.hpp"

namespace jrl::diagnostics {

// The code of an error returned by `parse`: the code of the fault its
// innermost frame tells.
std::string_view code_of(const Error& error);

// Codes of the faults found beside `parse`.
inline constexpr std::string_view CODE_UNMET_COUNT = "JRL201";
inline constexpr std::string_view CODE_REVERSED_RANGE = "JRL202";
inline constexpr std::string_view CODE_RANGE_ACROSS_DEPARTMENTS = "JRL203";
inline constexpr std::string_view CODE_DUPLICATE_SELECTOR = "JRL204";
inline constexpr std::string_view CODE_EMPTY_TEXT = "JRL205";
// Codes of the faults a catalogue shows.
inline constexpr std::string_view CODE_UNKNOWN_TAG = "JRL210";
inline constexpr std::string_view CODE_UNKNOWN_DISTRIBUTION = "JRL211";
inline constexpr std::string_view CODE_UNKNOWN_PROGRAMME_CODE = "JRL212";
inline constexpr std::string_view CODE_UNKNOWN_PLACEMENT = "JRL213";
inline constexpr std::string_view CODE_UNKNOWN_COURSE = "JRL214";
inline constexpr std::string_view CODE_SELECTS_NOTHING = "JRL215";
inline constexpr std::string_view CODE_UNMEETABLE = "JRL216";

}  // namespace jrl::diagnostics
