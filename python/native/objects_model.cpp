#include "objects_model.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "model_objects.hpp"
#include "records.hpp"

namespace jrl_native {
namespace {

using jrl::ArgumentKind;

// Fills a model from records, its texts and selectors in `arena`. A Python
// failure (no memory for a text) sets `failed`, and the rest is skipped.
class ModelWriter {
 public:
  explicit ModelWriter(jrl::ModelArena& arena) : arena_(arena) {}

  bool failed() const { return failed_; }

  jrl::JRLRequirement requirement(PyObject* record) {
    const std::span<PyObject* const> f = record_fields(record);
    jrl::JRLRequirement out;
    query(f[0], out.query);
    out.description = text(f[1]);
    out.priority = u16(f[2]);
    return out;
  }

 private:
  static std::uint16_t u16(PyObject* number) {
    return static_cast<std::uint16_t>(PyLong_AsLong(number));
  }

  std::string_view text(PyObject* str) {
    if (failed_) return {};
    Ref utf8(PyUnicode_AsUTF8String(str));
    if (!utf8) {
      failed_ = true;
      return {};
    }
    return arena_.text(bytes_view(utf8.get()));
  }

  jrl::Class course(PyObject* record) {
    const std::span<PyObject* const> f = record_fields(record);
    return {text(f[0]), u16(f[1]), f[2] == Py_True};
  }

  void query(PyObject* record, jrl::JRLQuery& out) {
    const std::span<PyObject* const> f = record_fields(record);
    out.type = f[0] == kind_members.limit ? jrl::JRLQueryType::Limit
                                          : jrl::JRLQueryType::Select;
    const std::span<PyObject* const> q = record_fields(f[1]);
    if (record_kind(f[1]) == Record::Single) {
      out.quantity = jrl::quantity::Single{u16(q[0])};
    } else {
      out.quantity = jrl::quantity::Many{u16(q[0]), u16(q[1])};
    }
    const Py_ssize_t count = PyTuple_Size(f[2]);
    const std::span<jrl::Selector> items =
        arena_.selectors(static_cast<std::size_t>(count));
    out.selector = items;
    for (Py_ssize_t i = 0; i < count; ++i) {
      selector(PyTuple_GetItem(f[2], i), items[static_cast<std::size_t>(i)]);
    }
  }

  template <ArgumentKind K>
  auto argument(PyObject* value) {
    if constexpr (K == ArgumentKind::course) {
      return course(value);
    } else {
      return text(value);
    }
  }

  // The alternative at `I`, from the fields of its record, which stand in
  // the order of the row's arguments.
  template <std::size_t I>
  void emplace(std::span<PyObject* const> fields, jrl::Selector& out) {
    using Alternative = std::variant_alternative_t<I, jrl::Selector::Variant>;
    if constexpr (!std::is_same_v<Alternative, jrl::selector::Query>) {
      using jrl::selector_table::function_at;
      [&]<std::size_t... K>(std::index_sequence<K...>) {
        out.value.emplace<I>(Alternative{
            argument<function_at<I>.argument_slots[K].kind>(fields[K])...});
      }(std::make_index_sequence<function_at<I>.arity>());
    }
  }

  template <std::size_t... I>
  void emplace_any(std::size_t index, std::span<PyObject* const> fields,
                   jrl::Selector& out, std::index_sequence<I...>) {
    (void)((index == I ? (emplace<I>(fields, out), true) : false) || ...);
  }

  void selector(PyObject* record, jrl::Selector& out) {
    const Record kind = record_kind(record);
    const std::span<PyObject* const> fields = record_fields(record);
    if (kind == Record::NestedQuery) {
      query(fields[0], out.value.emplace<jrl::selector::Query>().value);
      return;
    }
    emplace_any(
        selector_alternative(kind), fields, out,
        std::make_index_sequence<std::variant_size_v<jrl::Selector::Variant>>());
  }

  jrl::ModelArena& arena_;
  bool failed_ = false;
};

}  // namespace

std::optional<jrl::ParseResult> model_of_requirements(PyObject* requirements) {
  auto arena = std::make_shared<jrl::ModelArena>();
  ModelWriter writer(*arena);
  jrl::JRLQueryFile file;
  const Py_ssize_t count = PyTuple_Size(requirements);
  file.requirements.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    file.requirements.push_back(
        writer.requirement(PyTuple_GetItem(requirements, i)));
  }
  if (writer.failed()) return std::nullopt;
  return jrl::ParseResult{std::move(file), std::move(arena)};
}

}  // namespace jrl_native
