#include "model_objects.hpp"

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "records.hpp"

namespace jrl_native {

KindMembers kind_members;

PyObject* new_str(std::string_view text) {
  return PyUnicode_FromStringAndSize(text.data(),
                                     static_cast<Py_ssize_t>(text.size()));
}

std::string_view bytes_view(PyObject* bytes) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  PyBytes_AsStringAndSize(bytes, &data, &size);
  return {data, static_cast<std::size_t>(size)};
}

PyObject* span_object(const jrl::SourceSpan& span) {
  return make_record(Record::Span,
                     {small_int(span.start.line), small_int(span.start.column),
                      small_int(span.end.line), small_int(span.end.column)});
}

namespace {

PyObject* new_ref(PyObject* object) {
  Py_INCREF(object);
  return object;
}

PyObject* course(const jrl::Class& value) {
  return make_record(Record::Course, {new_str(value.department_id),
                                      small_int(value.course_number),
                                      PyBool_FromLong(value.lab)});
}

// The selector classes stand in the order of the model's alternatives, from
// Class to NestedQuery.
constexpr std::size_t FIRST_SELECTOR = static_cast<std::size_t>(Record::Class);
static_assert(static_cast<std::size_t>(Record::NestedQuery) - FIRST_SELECTOR ==
                  jrl::selector_table::index_of<jrl::selector::Query>(),
              "one selector class per alternative of jrl::Selector");

Record record_of(const jrl::SelectorFunction& function) {
  return static_cast<Record>(FIRST_SELECTOR + function.index);
}

// Walks a file's queries in the order of its source map's selector list.
class Builder {
 public:
  Builder(const std::vector<jrl::SourceSpan>& selector_spans)
      : spans_(selector_spans) {}

  PyObject* query(const jrl::JRLQuery& q) {
    PyObject* quantity = std::visit(
        [](const auto& v) -> PyObject* {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, jrl::quantity::Single>) {
            return make_record(Record::Single, {small_int(v.count)});
          } else {
            return make_record(Record::Many,
                               {small_int(v.from), small_int(v.to)});
          }
        },
        q.quantity);
    PyObject* kind =
        new_ref(q.type == jrl::JRLQueryType::Limit ? kind_members.limit
                                                   : kind_members.select);
    PyObject* selectors =
        PyTuple_New(static_cast<Py_ssize_t>(q.selector.size()));
    if (selectors != nullptr) {
      for (std::size_t i = 0; i < q.selector.size(); ++i) {
        PyObject* item = selector(q.selector[i]);
        if (item == nullptr) {
          Py_DECREF(selectors);
          selectors = nullptr;
          break;
        }
        PyTuple_SetItem(selectors, static_cast<Py_ssize_t>(i), item);
      }
    }
    return make_record(Record::Query, {kind, quantity, selectors});
  }

 private:
  PyObject* next_span() {
    if (next_ >= spans_.size()) return new_ref(Py_None);
    return span_object(spans_[next_++]);
  }

  PyObject* selector(const jrl::Selector& s) {
    // The span is taken before a nested query's own selectors take theirs.
    PyObject* span = next_span();
    return jrl::visit(
        s, jrl::Overloaded{[&](const jrl::SelectorFunction& function,
                               const auto&... args) -> PyObject* {
                             return make_record(record_of(function),
                                                {argument(args)..., span});
                           },
                           [&](const jrl::JRLQuery& nested) -> PyObject* {
                             return make_record(Record::NestedQuery,
                                                {query(nested), span});
                           }});
  }

  static PyObject* argument(const jrl::Class& value) { return course(value); }
  static PyObject* argument(std::string_view value) { return new_str(value); }

  const std::vector<jrl::SourceSpan>& spans_;
  std::size_t next_ = 0;
};

}  // namespace

PyObject* requirement_objects(const jrl::JRLQueryFile& file,
                              const jrl::SourceMap& map,
                              std::string_view input) {
  const std::vector<jrl::SourceSpan> requirement_spans =
      jrl::locate(input, map.requirements);
  const std::vector<jrl::SourceSpan> selector_spans =
      jrl::locate(input, map.selectors);
  Builder builder(selector_spans);
  Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(file.requirements.size())));
  if (!tuple) return nullptr;
  for (std::size_t i = 0; i < file.requirements.size(); ++i) {
    const jrl::JRLRequirement& r = file.requirements[i];
    PyObject* span = i < requirement_spans.size()
                         ? span_object(requirement_spans[i])
                         : new_ref(Py_None);
    PyObject* item = make_record(
        Record::Requirement, {builder.query(r.query), new_str(r.description),
                              small_int(r.priority), span});
    if (item == nullptr) return nullptr;
    PyTuple_SetItem(tuple.get(), static_cast<Py_ssize_t>(i), item);
  }
  return tuple.release();
}

}  // namespace jrl_native
