#include "diagnostic_objects.hpp"

#include <cstddef>
#include <string>

#include "model_objects.hpp"
#include "records.hpp"
#include "shared_tuple.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

PyObject* edit_object(const jrl::TextEdit& e, const CharOffsets& chars) {
  return make_record(
      Record::TextEdit,
      {small_int(chars.at(e.offset)), small_int(chars.at(e.end_offset)),
       small_int(e.start.line), small_int(e.start.column),
       small_int(e.end.line), small_int(e.end.column),
       new_str(e.replacement)});
}

PyObject* note_object(const jrl::Note& n, const CharOffsets& chars) {
  return make_record(Record::Note,
                     {new_str(n.message), small_int(n.line_col.line),
                      small_int(n.line_col.column),
                      small_int(chars.at(n.offset))});
}

PyObject* diagnostic_object(const jrl::Diagnostic& d,
                            const CharOffsets& chars) {
  return make_record(
      Record::Diagnostic,
      {new_str(jrl::severity_name(d.severity)), new_str(d.code),
       new_str(d.message),
       tuple_of_entries(d.context, [](const std::string& c) { return new_str(c); }),
       small_int(d.start.line), small_int(d.start.column),
       small_int(d.end.line), small_int(d.end.column),
       small_int(chars.at(d.offset)), small_int(chars.at(d.end_offset)),
       new_str(d.report), suggestion_objects(d.suggestions, chars),
       tuple_of_entries(d.notes,
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
                             const CharOffsets& chars) {
  return tuple_of_entries(suggestions, [&](const jrl::Suggestion& s) {
    return make_record(Record::Suggestion,
                       {new_str(s.message),
                        tuple_of_entries(s.edits, [&](const jrl::TextEdit& e) {
                          return edit_object(e, chars);
                        })});
  });
}

PyObject* diagnostic_objects(const std::vector<jrl::Diagnostic>& diagnostics,
                             const CharOffsets& chars) {
  return tuple_of_entries(diagnostics, [&](const jrl::Diagnostic& d) {
    return diagnostic_object(d, chars);
  });
}

PyObject* checked_list(
    std::string_view text,
    const std::function<std::vector<jrl::Diagnostic>(std::string_view)>& check,
    std::string_view name) {
  std::vector<jrl::Diagnostic> diagnostics;
  CharOffsets chars(text);
  {
    ThreadsAllowed unlocked;
    diagnostics = check(text);
    for (jrl::Diagnostic& d : diagnostics) {
      if (!name.empty()) d.report = d.report_for(name);
      add_offsets(d, chars);
    }
    chars.count();
  }
  Ref found(diagnostic_objects(diagnostics, chars));
  return found ? PySequence_List(found.get()) : nullptr;
}

}  // namespace jrl_native
