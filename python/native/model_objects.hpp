// The query model of a parsed file as the package's record objects.
#pragma once

#include <string_view>

#include "jrl/jrl.hpp"
#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// The two members of the Kind enumeration, set once at module start.
struct KindMembers {
  PyObject* select = nullptr;
  PyObject* limit = nullptr;
};
extern KindMembers kind_members;

// A tuple of Requirement objects with their spans, which `map` gives for
// `input`. A new reference, null with the error set on failure.
PyObject* requirement_objects(const jrl::JRLQueryFile& file,
                              const jrl::SourceMap& map,
                              std::string_view input);

// A Span of `span`; a new reference, null with the error set.
PyObject* span_object(const jrl::SourceSpan& span);

// A Python str of UTF-8 text from the core; a new reference.
PyObject* new_str(std::string_view text);

// The bytes of a bytes object, which must be one.
std::string_view bytes_view(PyObject* bytes);

}  // namespace jrl_native
