#include "diagnostic_objects.hpp"

#include <cstddef>
#include <string>

#include "model_objects.hpp"
#include "records.hpp"

namespace jrl_native {
namespace {

// A tuple of the objects `make` builds for each item; null on failure.
template <class Items, class Make>
PyObject* tuple_of(const Items& items, Make make) {
  Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  if (!tuple) return nullptr;
  Py_ssize_t i = 0;
  for (const auto& item : items) {
    PyObject* object = make(item);
    if (object == nullptr) return nullptr;
    PyTuple_SetItem(tuple.get(), i++, object);
  }
  return tuple.release();
}

PyObject* edit_object(const jrl::TextEdit& e, const jrl::LineIndex& lines,
                      const CharOffsets& chars) {
  const jrl::LineCol from = lines.at(e.offset);
  const jrl::LineCol to = lines.at(e.end_offset);
  return make_record(
      Record::TextEdit,
      {small_int(chars.at(e.offset)), small_int(chars.at(e.end_offset)),
       small_int(from.line), small_int(from.column), small_int(to.line),
       small_int(to.column), new_str(e.replacement)});
}

PyObject* note_object(const jrl::Note& n, const CharOffsets& chars) {
  return make_record(Record::Note,
                     {new_str(n.message), small_int(n.line_col.line),
                      small_int(n.line_col.column),
                      small_int(chars.at(n.offset))});
}

PyObject* diagnostic_object(const jrl::Diagnostic& d,
                            const jrl::LineIndex& lines,
                            const CharOffsets& chars) {
  return make_record(
      Record::Diagnostic,
      {new_str(jrl::severity_name(d.severity)), new_str(d.code),
       new_str(d.message),
       tuple_of(d.context, [](const std::string& c) { return new_str(c); }),
       small_int(d.start.line), small_int(d.start.column),
       small_int(d.end.line), small_int(d.end.column),
       small_int(chars.at(d.offset)), small_int(chars.at(d.end_offset)),
       new_str(d.report), suggestion_objects(d.suggestions, lines, chars),
       tuple_of(d.notes,
                [&](const jrl::Note& n) { return note_object(n, chars); })});
}

}  // namespace

void add_offsets(const jrl::Diagnostic& d, CharOffsets& chars) {
  chars.add(d.offset);
  chars.add(d.end_offset);
  for (const jrl::Suggestion& s : d.suggestions) {
    for (const jrl::TextEdit& e : s.edits) {
      chars.add(e.offset);
      chars.add(e.end_offset);
    }
  }
  for (const jrl::Note& n : d.notes) chars.add(n.offset);
}

PyObject* suggestion_objects(const std::vector<jrl::Suggestion>& suggestions,
                             const jrl::LineIndex& lines,
                             const CharOffsets& chars) {
  return tuple_of(suggestions, [&](const jrl::Suggestion& s) {
    return make_record(
        Record::Suggestion,
        {new_str(s.message), tuple_of(s.edits, [&](const jrl::TextEdit& e) {
           return edit_object(e, lines, chars);
         })});
  });
}

PyObject* diagnostic_objects(const std::vector<jrl::Diagnostic>& diagnostics,
                             const jrl::LineIndex& lines,
                             const CharOffsets& chars) {
  Ref list(PyList_New(static_cast<Py_ssize_t>(diagnostics.size())));
  if (!list) return nullptr;
  Py_ssize_t i = 0;
  for (const jrl::Diagnostic& d : diagnostics) {
    PyObject* object = diagnostic_object(d, lines, chars);
    if (object == nullptr) return nullptr;
    PyList_SetItem(list.get(), i++, object);
  }
  return list.release();
}

}  // namespace jrl_native
