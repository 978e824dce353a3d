// Diagnostics of the core as the package's record objects: Diagnostic,
// Suggestion, TextEdit and Note, their offsets as character indices of the
// checked str.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "char_offsets.hpp"
#include "jrl/diagnostics.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// Adds every byte offset `d` holds to `chars`, before chars.count().
void add_offsets(const jrl::Diagnostic& d, CharOffsets& chars);

// A tuple of Suggestion objects, their lines and columns as the library
// gives them. A new reference, null with the error set.
PyObject* suggestion_objects(const std::vector<jrl::Suggestion>& suggestions,
                             const CharOffsets& chars);

// A tuple of Diagnostic objects.
PyObject* diagnostic_objects(const std::vector<jrl::Diagnostic>& diagnostics,
                             const CharOffsets& chars);

// A list of the Diagnostic objects `check(text)` gives, `text` being the
// bytes of a UTF-8 copy of the str checked; the lock is released while it
// checks; with a `name`, each report names the file so. A new reference,
// null with the error set.
PyObject* checked_list(
    std::string_view text,
    const std::function<std::vector<jrl::Diagnostic>(std::string_view)>& check,
    std::string_view name = {});

}  // namespace jrl_native
