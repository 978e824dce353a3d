#include "records.hpp"

#include <structmember.h>

#include <array>
#include <new>
#include <string>
#include <vector>

#include "immutable_types.hpp"
#include "model_objects.hpp"
#include "record_trees.hpp"

namespace jrl_native {
namespace {

enum class Default { required, false_, none };

struct Field {
  const char* name;
  const char* doc;
  Default fallback = Default::required;
  bool as_tuple = false;  // any iterable is kept as a tuple
};

struct Description {
  const char* name;  // qualified, e.g. "jrl.Course"
  const char* doc;   // with its text signature
  std::vector<Field> fields;
  bool spanned = false;   // has a trailing `span`, left out of ==, hash, repr
  bool selector = false;  // derives from Selector
};

const Field SPAN_FIELD{
    "span", "Where it was written: a Span, or None when built by hand.",
    Default::none};

std::vector<Description> make_descriptions() {
  const Field first{"first", "The first course of the range (a Course)."};
  const Field last{"last", "The last course of the range (a Course)."};
  const Field code{"code", "The Wexmoor major code (a str)."};
  return {
      {"jrl.Span",
       "Span(line, column, end_line, end_column)\n--\n\n"
       "Where a part of a file was written. Lines and columns count from 1, "
       "columns in characters; the end is one column past the last "
       "character.",
       {{"line", "Line of the first character."},
        {"column", "Column of the first character."},
        {"end_line", "Line of the last character."},
        {"end_column", "One past the column of the last character."}}},
      {"jrl.Course",
       "Course(department, number, lab=False)\n--\n\n"
       "One course of the catalogue, written `MATH 1200` or `MATH 1200L`.",
       {{"department", "The four-symbol department code, as written."},
        {"number", "The course number (an int)."},
        {"lab", "True for the lab of the course (written with L).",
         Default::false_}}},
      {"jrl.Single",
       "Single(count)\n--\n\nA quantity of exactly `count` courses.",
       {{"count", "How many (an int)."}}},
      {"jrl.Many",
       "Many(low, high)\n--\n\n"
       "A quantity from `low` to `high` courses, both included (written "
       "`low-high`).",
       {{"low", "The smallest count (an int)."},
        {"high", "The largest count (an int)."}}},
      {"jrl.Query",
       "Query(kind, quantity, selectors)\n--\n\n"
       "A SELECT or LIMIT query: how many courses, from which selectors.",
       {{"kind", "Kind.SELECT or Kind.LIMIT."},
        {"quantity", "A Single or a Many."},
        {"selectors", "The selectors, in source order (a tuple).",
         Default::required, true}}},
      {"jrl.Requirement",
       "Requirement(query, description, priority, span=None)\n--\n\n"
       "One requirement statement of a file.",
       {{"query", "The top-level Query."},
        {"description", "The description, quotes removed."},
        {"priority", "The priority (an int); 1 when the file gives none."}},
       true},
      {"jrl.Class",
       "Class(course, span=None)\n--\n\nCLASS(course).",
       {{"course", "The Course."}},
       true,
       true},
      {"jrl.Placement",
       "Placement(name, span=None)\n--\n\nPLACEMENT(name).",
       {{"name", "The placement (a str)."}},
       true,
       true},
      {"jrl.Tag",
       "Tag(tag, span=None)\n--\n\nTAG(tag).",
       {{"tag", "The tag (a str)."}},
       true,
       true},
      {"jrl.TagDept",
       "TagDept(tag, code, span=None)\n--\n\nTAG_DEPT(tag, code).",
       {{"tag", "The tag (a str)."}, code},
       true,
       true},
      {"jrl.Dist",
       "Dist(dist, span=None)\n--\n\nDIST(dist).",
       {{"dist", "The distribution (a str)."}},
       true,
       true},
      {"jrl.DistDept",
       "DistDept(dist, code, span=None)\n--\n\nDIST_DEPT(dist, code).",
       {{"dist", "The distribution (a str)."}, code},
       true,
       true},
      {"jrl.Range",
       "Range(first, last, span=None)\n--\n\nRANGE(first, last).",
       {first, last},
       true,
       true},
      {"jrl.RangeDist",
       "RangeDist(first, last, dist, span=None)\n--\n\n"
       "RANGE_DIST(first, last, dist).",
       {first, last, {"dist", "The distribution (a str)."}},
       true,
       true},
      {"jrl.RangeTag",
       "RangeTag(first, last, tag, span=None)\n--\n\n"
       "RANGE_TAG(first, last, tag).",
       {first, last, {"tag", "The tag (a str)."}},
       true,
       true},
      {"jrl.NestedQuery",
       "NestedQuery(query, span=None)\n--\n\n"
       "A nested SELECT statement used as a selector.",
       {{"query", "The nested Query."}},
       true,
       true},
      {"jrl.TextEdit",
       "TextEdit(offset, end_offset, line, column, end_line, end_column, "
       "replacement)\n--\n\n"
       "Replaces the characters [offset, end_offset) of the checked text by "
       "`replacement`; an empty span inserts.",
       {{"offset", "Index in the checked str of the first replaced character."},
        {"end_offset", "Index one past the last replaced character."},
        {"line", "Line of `offset` (from 1)."},
        {"column", "Column of `offset` (from 1, in characters)."},
        {"end_line", "Line of `end_offset`."},
        {"end_column", "Column of `end_offset`."},
        {"replacement", "The new text (a str)."}}},
      {"jrl.Suggestion",
       "Suggestion(message, edits)\n--\n\n"
       "A fix: what it does, and the edits that do it (applied together).",
       {{"message", "What the fix does (a str)."},
        {"edits", "The edits, in text order (a tuple of TextEdit).",
         Default::required, true}}},
      {"jrl.Note",
       "Note(message, line, column, offset)\n--\n\n"
       "A further place that explains a diagnostic, such as the first of two "
       "equal selectors.",
       {{"message", "What is there (a str)."},
        {"line", "Its line (from 1)."},
        {"column", "Its column (from 1, in characters)."},
        {"offset", "Its index in the checked str."}}},
      {"jrl.Diagnostic",
       "Diagnostic(severity, code, message, context, line, column, end_line, "
       "end_column, offset, end_offset, report, suggestions, notes)\n--\n\n"
       "One fault of a checked text, where it is and how to fix it.",
       {{"severity", "\"error\" or \"warning\"."},
        {"code", "\"JRL\" and three digits, one per kind of fault."},
        {"message", "The innermost message."},
        {"context", "The context messages around it, outermost first (a "
                    "tuple of str).",
         Default::required, true},
        {"line", "Line of the first character (from 1)."},
        {"column", "Column of the first character (from 1, in characters)."},
        {"end_line", "Line of the end."},
        {"end_column", "Column one past the last character."},
        {"offset", "Index in the checked str of the first character."},
        {"end_offset", "Index one past the last character."},
        {"report", "The report text, exactly as the library renders it."},
        {"suggestions", "Fixes (a tuple of Suggestion).", Default::required,
         true},
        {"notes", "Further places (a tuple of Note).", Default::required,
         true}}},
      {"jrl.DiagnosticCode",
       "DiagnosticCode(code, severity, name, title)\n--\n\n"
       "One kind of fault that check reports, as docs/diagnostics.md "
       "explains it.",
       {{"code", "\"JRL\" and three digits."},
        {"severity", "\"error\" or \"warning\"."},
        {"name", "A short name in kebab case, such as \"syntax-error\"."},
        {"title", "One line saying what the fault is."}}},
      {"jrl.Statement",
       "Statement(span, offset, end_offset, chunk, requirement=None)\n--\n\n"
       "One top-level statement of an analysed text, whether or not it "
       "builds.",
       {{"span", "From its first word through its \";\" (a Span)."},
        {"offset", "Index in the analysed str of its first character."},
        {"end_offset", "Index one past its last character."},
        {"chunk",
         "(start, end): the indices statement_spans() gives it, the space "
         "and comments before it included.",
         Default::required, true},
        {"requirement",
         "Its Requirement, spans included, or None where it has an error.",
         Default::none}}},
      {"jrl.Analysis",
       "Analysis(diagnostics, statements, file)\n--\n\n"
       "What analyse() reads in a text, working or broken.",
       {{"diagnostics", "As check() gives them (a tuple of Diagnostic).",
         Default::required, true},
        {"statements", "Every statement in text order (a tuple of Statement).",
         Default::required, true},
        {"file", "The requirements that built, in text order (a File)."}}},
  };
}

const std::vector<Description>& descriptions() {
  static const std::vector<Description> all = make_descriptions();
  return all;
}

std::array<PyTypeObject*, static_cast<std::size_t>(Record::count)> types{};

// A record: the object header, then one reference per field.
struct RecordObject {
  PyObject_HEAD PyObject* slots[1];
};

constexpr Py_ssize_t slot_offset(std::size_t i) {
  return static_cast<Py_ssize_t>(offsetof(RecordObject, slots) +
                                 i * sizeof(PyObject*));
}

PyObject** slots(PyObject* self) {
  return reinterpret_cast<RecordObject*>(self)->slots;
}

std::size_t slot_count(const Description& d) {
  return d.fields.size() + (d.spanned ? 1 : 0);
}

const Field& field_at(const Description& d, std::size_t i) {
  return i < d.fields.size() ? d.fields[i] : SPAN_FIELD;
}

// The description of `type`, or null for a type that is none of ours.
const Description* description_of(PyTypeObject* type) {
  for (std::size_t i = 0; i < types.size(); ++i) {
    if (types[i] == type) return &descriptions()[i];
  }
  return nullptr;
}

PyObject* allocate(PyTypeObject* type) {
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  return alloc(type, 0);
}

// Whether `field` can never lead back to a record holding it: an object the
// collector does not know (str, int, None, ...), a tuple or record the
// collector no longer tracks (immutable, so that stays true), or a Kind
// member (held by the module for good, never garbage).
bool atomic(PyObject* field) {
  PyTypeObject* type = Py_TYPE(field);
  if ((PyType_GetFlags(type) & Py_TPFLAGS_HAVE_GC) == 0) return true;
  if (PyTuple_CheckExact(field) || description_of(type) != nullptr) {
    return PyObject_GC_IsTracked(field) == 0;
  }
  return field == kind_members.select || field == kind_members.limit;
}

// A record (or a tuple it holds) of atomic fields can be in no cycle, so
// the collector stops tracking it, as CPython does with such tuples: files
// of millions of records then cost the collector nothing.
void untrack_if_atomic(PyObject* self, std::size_t count) {
  bool all_atomic = true;
  for (std::size_t i = 0; i < count; ++i) {
    PyObject* field = slots(self)[i];
    if (PyTuple_CheckExact(field) && PyObject_GC_IsTracked(field)) {
      bool items_atomic = true;
      const Py_ssize_t size = PyTuple_Size(field);
      for (Py_ssize_t j = 0; items_atomic && j < size; ++j) {
        items_atomic = atomic(PyTuple_GetItem(field, j));
      }
      if (items_atomic) PyObject_GC_UnTrack(field);
    }
    all_atomic = all_atomic && atomic(field);
  }
  if (all_atomic) PyObject_GC_UnTrack(self);
}

PyObject* record_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  const Description* d = description_of(type);
  if (d == nullptr) {
    PyErr_SetString(PyExc_TypeError, "Selector cannot be instantiated");
    return nullptr;
  }
  const std::size_t n = slot_count(*d);
  const std::string name = std::string(d->name + 4) + "()";
  const Py_ssize_t given = PyTuple_Size(args);
  if (given < 0) return nullptr;
  if (static_cast<std::size_t>(given) > n) {
    PyErr_Format(PyExc_TypeError, "%s takes at most %zu arguments (%zd given)",
                 name.c_str(), n, given);
    return nullptr;
  }
  std::vector<PyObject*> values(n, nullptr);  // borrowed
  for (Py_ssize_t i = 0; i < given; ++i) values[i] = PyTuple_GetItem(args, i);
  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject *key = nullptr, *value = nullptr;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      std::size_t i = 0;
      while (i < n &&
             (!PyUnicode_Check(key) || PyUnicode_CompareWithASCIIString(
                                           key, field_at(*d, i).name) != 0)) {
        ++i;
      }
      if (i == n) {
        PyErr_Format(PyExc_TypeError,
                     "%s got an unexpected keyword argument '%S'", name.c_str(),
                     key);
        return nullptr;
      }
      if (values[i] != nullptr) {
        PyErr_Format(PyExc_TypeError,
                     "%s got multiple values for argument '%s'", name.c_str(),
                     field_at(*d, i).name);
        return nullptr;
      }
      values[i] = value;
    }
  }
  PyObject* self = allocate(type);
  if (self == nullptr) return nullptr;
  Ref guard(self);
  for (std::size_t i = 0; i < n; ++i) {
    const Field& field = field_at(*d, i);
    PyObject* value = values[i];
    if (value == nullptr) {
      switch (field.fallback) {
        case Default::required:
          PyErr_Format(PyExc_TypeError, "%s missing required argument '%s'",
                       name.c_str(), field.name);
          return nullptr;
        case Default::false_:
          value = Py_False;
          break;
        case Default::none:
          value = Py_None;
          break;
      }
    }
    if (field.as_tuple) {
      value = PySequence_Tuple(value);
      if (value == nullptr) return nullptr;
    } else {
      Py_INCREF(value);
    }
    slots(self)[i] = value;
  }
  untrack_if_atomic(self, n);
  return guard.release();
}

// Releases the fields of a record that is no longer referenced and frees
// it.
void free_record(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  if (const Description* d = description_of(type)) {
    for (std::size_t i = 0; i < slot_count(*d); ++i) {
      Py_XDECREF(slots(self)[i]);
    }
  }
  auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_slot(self);
  Py_DECREF(type);
}

// Freeing a record releases its fields, which may free records in turn: a
// chain built by hand can be a million deep. Past a few levels, a record to
// be freed waits in this thread's list instead, and the outermost free
// empties the list, so the stack stays bounded however deep the chain.
constexpr int MAX_NESTED_FREES = 50;

struct PendingFrees {
  int depth = 0;
  std::vector<PyObject*> waiting;  // unreferenced and untracked
};
thread_local PendingFrees pending;

void record_dealloc(PyObject* self) {
  PyObject_GC_UnTrack(self);
  PendingFrees& p = pending;
  if (p.depth >= MAX_NESTED_FREES) {
    try {
      p.waiting.push_back(self);
      return;
    } catch (const std::bad_alloc&) {
      // No room to wait: freed here, one level deeper.
    }
  }
  ++p.depth;
  free_record(self);
  --p.depth;
  while (p.depth == 0 && !p.waiting.empty()) {
    PyObject* next = p.waiting.back();
    p.waiting.pop_back();
    ++p.depth;
    free_record(next);
    --p.depth;
  }
}

// Records are immutable, so a cycle through one always runs through some
// mutable object too, which the collector clears: no tp_clear is needed.
int record_traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(Py_TYPE(self));
  if (const Description* d = description_of(Py_TYPE(self))) {
    for (std::size_t i = 0; i < slot_count(*d); ++i) Py_VISIT(slots(self)[i]);
  }
  return 0;
}

PyObject* record_richcompare(PyObject* a, PyObject* b, int op) {
  const Description* d = description_of(Py_TYPE(a));
  if ((op != Py_EQ && op != Py_NE) || d == nullptr ||
      Py_TYPE(a) != Py_TYPE(b)) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  bool equal = true;
  for (std::size_t i = 0; equal && i < d->fields.size(); ++i) {
    const int same = PyObject_RichCompareBool(slots(a)[i], slots(b)[i], Py_EQ);
    if (same < 0) return nullptr;
    equal = same == 1;
  }
  return PyBool_FromLong(equal == (op == Py_EQ));
}

// The compared fields with the type in front, so that Tag("x") and Dist("x")
// hash apart.
PyObject* compared_tuple(PyObject* self, const Description& d) {
  PyObject* tuple = PyTuple_New(static_cast<Py_ssize_t>(d.fields.size() + 1));
  if (tuple == nullptr) return nullptr;
  PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(self));
  Py_INCREF(type);
  PyTuple_SetItem(tuple, 0, type);
  for (std::size_t i = 0; i < d.fields.size(); ++i) {
    Py_INCREF(slots(self)[i]);
    PyTuple_SetItem(tuple, static_cast<Py_ssize_t>(i + 1), slots(self)[i]);
  }
  return tuple;
}

Py_hash_t record_hash(PyObject* self) {
  const Description* d = description_of(Py_TYPE(self));
  if (d == nullptr) {
    PyErr_SetString(PyExc_TypeError, "unhashable object");
    return -1;
  }
  Ref tuple(compared_tuple(self, *d));
  if (!tuple) return -1;
  // Hashing a tuple does not count its depth; a chain of records would
  // overflow the stack.
  if (Py_EnterRecursiveCall(" in hashing a jrl record") != 0) return -1;
  const Py_hash_t hash = PyObject_Hash(tuple.get());
  Py_LeaveRecursiveCall();
  return hash;
}

PyObject* record_repr(PyObject* self) {
  const Description* d = description_of(Py_TYPE(self));
  if (d == nullptr) return PyUnicode_FromString("<jrl.Selector>");
  Ref parts(PyList_New(0));
  if (!parts) return nullptr;
  for (std::size_t i = 0; i < d->fields.size(); ++i) {
    Ref part(PyUnicode_FromFormat("%s=%R", d->fields[i].name, slots(self)[i]));
    if (!part || PyList_Append(parts.get(), part.get()) < 0) return nullptr;
  }
  Ref separator(PyUnicode_FromString(", "));
  if (!separator) return nullptr;
  Ref joined(PyUnicode_Join(separator.get(), parts.get()));
  if (!joined) return nullptr;
  return PyUnicode_FromFormat("%s(%U)", d->name + 4, joined.get());
}

// Pickling: the class and every field, the span included (record_trees.hpp).
PyObject* record_reduce(PyObject* self, PyObject*) {
  return reduce_record(self);
}

// Immutable values: a copy is the value itself.
PyObject* record_copy(PyObject* self, PyObject*) {
  Py_INCREF(self);
  return self;
}

// Fields may be values built by hand, so a deep copy copies them.
PyObject* record_deepcopy(PyObject* self, PyObject* memo) {
  return deepcopy_record(self, memo);
}

PyMethodDef record_methods[] = {
    {"__reduce__", record_reduce, METH_NOARGS, nullptr},
    {"__copy__", record_copy, METH_NOARGS, nullptr},
    {"__deepcopy__", record_deepcopy, METH_O, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

// Kept alive for the life of the process: the types refer to them.
struct TypeParts {
  std::vector<PyMemberDef> members;
  std::vector<PyType_Slot> slots;
  PyType_Spec spec{};
};

bool set_match_args(PyTypeObject* type, const Description& d) {
  Ref names(PyTuple_New(static_cast<Py_ssize_t>(d.fields.size())));
  if (!names) return false;
  for (std::size_t i = 0; i < d.fields.size(); ++i) {
    PyObject* name = PyUnicode_FromString(d.fields[i].name);
    if (name == nullptr) return false;
    PyTuple_SetItem(names.get(), static_cast<Py_ssize_t>(i), name);
  }
  return set_class_attribute(reinterpret_cast<PyObject*>(type),
                             "__match_args__", names.get());
}

bool add_type(PyObject* module, PyObject* type, const char* qualified) {
  Py_INCREF(type);
  if (PyModule_AddObject(module, qualified + 4, type) < 0) {
    Py_DECREF(type);
    return false;
  }
  return true;
}

// The span of any selector: the last slot of its record.
PyObject* selector_span(PyObject* self, void*) {
  const Description* d = description_of(Py_TYPE(self));
  PyObject* span = d != nullptr ? slots(self)[slot_count(*d) - 1] : Py_None;
  Py_INCREF(span);
  return span;
}

PyGetSetDef selector_getset[] = {
    {"span", selector_span, nullptr, SPAN_FIELD.doc, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot selector_slots[] = {
    {Py_tp_getset, selector_getset},
    {Py_tp_doc,
     const_cast<char*>("The common base of the selector classes: Class, "
                       "Placement, Tag, TagDept, Dist, DistDept, Range, "
                       "RangeDist, RangeTag and NestedQuery.")},
    {Py_tp_new, reinterpret_cast<void*>(record_new)},
    {0, nullptr},
};
PyType_Spec selector_spec = {
    "jrl.Selector", sizeof(PyObject), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_IMMUTABLETYPE,
    selector_slots};

}  // namespace

bool add_record_types(PyObject* module) {
  PyObject* selector = PyType_FromSpec(&selector_spec);
  if (selector == nullptr) return false;
  if (!add_type(module, selector, "jrl.Selector")) return false;
  Ref bases(PyTuple_Pack(1, selector));
  if (!bases) return false;

  static std::vector<TypeParts> parts(descriptions().size());
  for (std::size_t t = 0; t < descriptions().size(); ++t) {
    const Description& d = descriptions()[t];
    TypeParts& p = parts[t];
    const std::size_t n = slot_count(d);
    for (std::size_t i = 0; i < n; ++i) {
      const Field& f = field_at(d, i);
      p.members.push_back({const_cast<char*>(f.name), T_OBJECT_EX,
                           slot_offset(i), READONLY, const_cast<char*>(f.doc)});
    }
    p.members.push_back({nullptr, 0, 0, 0, nullptr});
    p.slots = {
        {Py_tp_doc, const_cast<char*>(d.doc)},
        {Py_tp_new, reinterpret_cast<void*>(record_new)},
        {Py_tp_dealloc, reinterpret_cast<void*>(record_dealloc)},
        {Py_tp_traverse, reinterpret_cast<void*>(record_traverse)},
        {Py_tp_richcompare, reinterpret_cast<void*>(record_richcompare)},
        {Py_tp_hash, reinterpret_cast<void*>(record_hash)},
        {Py_tp_repr, reinterpret_cast<void*>(record_repr)},
        {Py_tp_members, p.members.data()},
        {Py_tp_methods, record_methods},
        {0, nullptr},
    };
    p.spec = {d.name, static_cast<int>(slot_offset(n)), 0,
              Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC |
                  Py_TPFLAGS_IMMUTABLETYPE,
              p.slots.data()};
    PyObject* type = d.selector ? PyType_FromSpecWithBases(&p.spec, bases.get())
                                : PyType_FromSpec(&p.spec);
    if (type == nullptr) return false;
    types[t] = reinterpret_cast<PyTypeObject*>(type);
    if (!set_match_args(types[t], d)) return false;
    if (!add_type(module, type, d.name)) return false;
  }
  return true;
}

PyObject* make_record(Record record, std::initializer_list<PyObject*> fields) {
  bool complete = true;
  for (PyObject* field : fields) complete = complete && field != nullptr;
  PyTypeObject* type = types[static_cast<std::size_t>(record)];
  PyObject* self = complete ? allocate(type) : nullptr;
  std::size_t i = 0;
  for (PyObject* field : fields) {
    if (self == nullptr) {
      Py_XDECREF(field);
    } else {
      slots(self)[i++] = field;
    }
  }
  if (self != nullptr) untrack_if_atomic(self, i);
  return self;
}

std::span<PyObject* const> record_fields(PyObject* object) {
  const Description* d = description_of(Py_TYPE(object));
  if (d == nullptr) return {};
  return {slots(object), slot_count(*d)};
}

std::size_t record_field_count(PyTypeObject* type) {
  const Description* d = description_of(type);
  return d == nullptr ? 0 : slot_count(*d);
}

PyObject* small_int(std::size_t value) {
  static std::array<PyObject*, 65536> cache{};
  if (value >= cache.size()) {
    return PyLong_FromSize_t(value);
  }
  PyObject*& cached = cache[value];
  if (cached == nullptr) {
    cached = PyLong_FromSize_t(value);
    if (cached == nullptr) return nullptr;
  }
  Py_INCREF(cached);
  return cached;
}

}  // namespace jrl_native
