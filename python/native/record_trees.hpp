// Whole trees of records: pickling and deep copying. Records built by hand
// nest without bound (a chain of a million Tags), so both walk a tree with a
// list of their own rather than recursing, and so does loading the pickle.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// __reduce__ of a record. A record whose records and tuples nest only a few
// levels deep pickles as its class and fields, so that the pickle names the
// record classes alone; a deeper one as the flat steps that rebuild it,
// loaded by `_records_from_steps`.
PyObject* reduce_record(PyObject* self);

// __deepcopy__ of a record: new records and tuples, each other field copied
// by copy.deepcopy with `memo`.
PyObject* deepcopy_record(PyObject* self, PyObject* memo);

// The module's `_records_from_steps(steps)`, which flat pickles name.
PyObject* records_from_steps(PyObject* module, PyObject* steps);

}  // namespace jrl_native
