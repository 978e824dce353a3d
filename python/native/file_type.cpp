#include "file_type.hpp"

#include <expected>
#include <memory>
#include <string_view>
#include <utility>

#include "immutable_types.hpp"
#include "jrl/jrl.hpp"
#include "model_dicts.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

struct Parsed {
  jrl::ParseResult result;
  jrl::SourceMap map;
};

struct FileObject {
  PyObject_HEAD Parsed* parsed;  // owned; never changed after creation
  PyObject* source;              // bytes: the UTF-8 text that was parsed
  PyObject* path;                // str or None
  PyObject* requirements;        // tuple, built on first use; or null
  // Made by analyse() from the statements that built, so rebuilt by it.
  bool analysed;
};

PyTypeObject* file_type = nullptr;

// Above this many requirements a model is freed with the lock released.
constexpr std::size_t LARGE_MODEL_REQUIREMENTS = 256;

FileObject* as_file(PyObject* self) {
  return reinterpret_cast<FileObject*>(self);
}

PyObject* requirements(FileObject* file) {
  if (file->requirements == nullptr) {
    PyObject* built =
        requirement_objects(file->parsed->result.parsed_jrl_file,
                            file->parsed->map, bytes_view(file->source));
    if (built == nullptr) return nullptr;
    // Building may run a collection, and through it another thread that got
    // here first: the first tuple stays.
    if (file->requirements == nullptr) {
      file->requirements = built;
    } else {
      Py_DECREF(built);
    }
  }
  Py_INCREF(file->requirements);
  return file->requirements;
}

PyObject* get_requirements(PyObject* self, void*) {
  return guarded([&] { return requirements(as_file(self)); });
}

PyObject* get_version(PyObject* self, void*) {
  return new_str(as_file(self)->parsed->result.parsed_jrl_file.version);
}

PyObject* get_path(PyObject* self, void*) {
  Py_INCREF(as_file(self)->path);
  return as_file(self)->path;
}

PyObject* file_to_dict(PyObject* self, PyObject*) {
  return guarded(
      [&] { return file_dict(as_file(self)->parsed->result.parsed_jrl_file); });
}

PyObject* file_to_json(PyObject* self, PyObject* args, PyObject* kwargs) {
  static const char* names[] = {"pretty", nullptr};
  int pretty = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|p:to_json",
                                   const_cast<char**>(names), &pretty)) {
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    const jrl::ParseResult& result = as_file(self)->parsed->result;
    auto text = pretty ? result.to_string_pretty() : result.to_string();
    if (!text) {
      raise_internal(text.error().render());
      return nullptr;
    }
    return new_str(*text);
  });
}

// Pickled as its text: loading parses (or analyses) it again, spans
// included.
PyObject* file_reduce(PyObject* self, PyObject*) {
  Ref module(PyImport_ImportModule("jrl._native"));
  if (!module) return nullptr;
  const bool analysed = as_file(self)->analysed;
  Ref rebuild(PyObject_GetAttrString(
      module.get(), analysed ? "_analysed_file" : "parse_utf8"));
  if (!rebuild) return nullptr;
  if (analysed) {
    return Py_BuildValue("(O(O))", rebuild.get(), as_file(self)->source);
  }
  return Py_BuildValue("(O(OO))", rebuild.get(), as_file(self)->source,
                       as_file(self)->path);
}

PyObject* file_copy(PyObject* self, PyObject*) {
  Py_INCREF(self);
  return self;
}

PyObject* file_deepcopy(PyObject* self, PyObject*) {
  Py_INCREF(self);
  return self;
}

PyObject* file_richcompare(PyObject* a, PyObject* b, int op) {
  if ((op != Py_EQ && op != Py_NE) || Py_TYPE(b) != file_type) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  const bool equal = as_file(a)->parsed->result.parsed_jrl_file ==
                     as_file(b)->parsed->result.parsed_jrl_file;
  return PyBool_FromLong(equal == (op == Py_EQ));
}

Py_hash_t file_hash(PyObject* self) {
  Ref items(requirements(as_file(self)));
  if (!items) return -1;
  return PyObject_Hash(items.get());
}

PyObject* file_repr(PyObject* self) {
  const std::size_t count =
      as_file(self)->parsed->result.parsed_jrl_file.requirements.size();
  return PyUnicode_FromFormat("<jrl.File path=%R, %zu requirement%s>",
                              as_file(self)->path, count,
                              count == 1 ? "" : "s");
}

PyObject* file_new(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_TypeError,
                  "File objects come from jrl.parse() and jrl.load()");
  return nullptr;
}

void file_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  FileObject* file = as_file(self);
  // Freeing a large model takes a while and touches no Python object: let
  // other threads run meanwhile.
  if (file->parsed != nullptr &&
      file->parsed->result.parsed_jrl_file.requirements.size() >
          LARGE_MODEL_REQUIREMENTS) {
    ThreadsAllowed unlocked;
    delete file->parsed;
  } else {
    delete file->parsed;
  }
  Py_XDECREF(file->source);
  Py_XDECREF(file->path);
  Py_XDECREF(file->requirements);
  auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_slot(self);
  Py_DECREF(type);
}

PyGetSetDef file_getset[] = {
    {"version", get_version, nullptr,
     "The format version of the model, '0.1.6'.", nullptr},
    {"requirements", get_requirements, nullptr,
     "The requirements, in file order (a tuple of Requirement).", nullptr},
    {"path", get_path, nullptr, "The path given to parse() or load(), or None.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef file_methods[] = {
    {"to_dict", file_to_dict, METH_NOARGS,
     "to_dict($self, /)\n--\n\n"
     "The JSON form as dicts and lists: equal to json.loads(self.to_json())."},
    {"to_json",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(file_to_json)),
     METH_VARARGS | METH_KEYWORDS,
     "to_json($self, /, pretty=False)\n--\n\n"
     "The JSON text: compact, or indented by two spaces with pretty=True."},
    {"__reduce__", file_reduce, METH_NOARGS, nullptr},
    {"__copy__", file_copy, METH_NOARGS, nullptr},
    {"__deepcopy__", file_deepcopy, METH_O, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot file_slots[] = {
    {Py_tp_doc,
     const_cast<char*>("One parsed requirements file, from jrl.parse() or "
                       "jrl.load(). Immutable; equal to another File with the "
                       "same requirements.")},
    {Py_tp_new, reinterpret_cast<void*>(file_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(file_dealloc)},
    {Py_tp_richcompare, reinterpret_cast<void*>(file_richcompare)},
    {Py_tp_hash, reinterpret_cast<void*>(file_hash)},
    {Py_tp_repr, reinterpret_cast<void*>(file_repr)},
    {Py_tp_getset, file_getset},
    {Py_tp_methods, file_methods},
    {0, nullptr},
};

PyType_Spec file_spec = {"jrl.File", static_cast<int>(sizeof(FileObject)), 0,
                         Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
                         file_slots};

}  // namespace

bool add_file_type(PyObject* module) {
  PyObject* type = PyType_FromSpec(&file_spec);
  if (type == nullptr) return false;
  file_type = reinterpret_cast<PyTypeObject*>(type);
  Ref names(Py_BuildValue("(ss)", "version", "requirements"));
  if (!names || !set_class_attribute(type, "__match_args__", names.get())) {
    return false;
  }
  Py_INCREF(type);
  if (PyModule_AddObject(module, "File", type) < 0) {
    Py_DECREF(type);
    return false;
  }
  return true;
}

namespace {

// A new File holding `parsed`, which was read from `utf8`.
PyObject* new_file(std::unique_ptr<Parsed> parsed, PyObject* utf8,
                   PyObject* path, bool analysed) {
  auto alloc =
      reinterpret_cast<allocfunc>(PyType_GetSlot(file_type, Py_tp_alloc));
  PyObject* self = alloc(file_type, 0);
  if (self == nullptr) return nullptr;
  FileObject* file = as_file(self);
  file->parsed = parsed.release();
  Py_INCREF(utf8);
  file->source = utf8;
  Py_INCREF(path);
  file->path = path;
  file->requirements = nullptr;
  file->analysed = analysed;
  return self;
}

}  // namespace

PyObject* parse_to_file(PyObject* utf8, PyObject* path) {
  return guarded([&]() -> PyObject* {
    const std::string_view text = bytes_view(utf8);
    auto parsed = std::make_unique<Parsed>();
    std::expected<jrl::ParseResult, jrl::Error> result;
    {
      ThreadsAllowed unlocked;
      result = jrl::parse(text, parsed->map);
    }
    if (!result) {
      raise_parse_error(result.error(), text, path);
      return nullptr;
    }
    parsed->result = std::move(*result);
    return new_file(std::move(parsed), utf8, path, false);
  });
}

PyObject* analysed_file(PyObject* utf8, jrl::ParseResult&& result,
                        jrl::SourceMap&& map) {
  auto parsed = std::make_unique<Parsed>();
  parsed->result = std::move(result);
  parsed->map = std::move(map);
  return new_file(std::move(parsed), utf8, Py_None, true);
}

}  // namespace jrl_native
