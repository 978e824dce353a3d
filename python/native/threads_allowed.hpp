// Releasing the global interpreter lock around work of the core.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Lets other threads run while the core works on memory this thread owns;
// no Python object may be touched meanwhile.
class ThreadsAllowed {
 public:
  ThreadsAllowed() : state_(PyEval_SaveThread()) {}
  ~ThreadsAllowed() { PyEval_RestoreThread(state_); }
  ThreadsAllowed(const ThreadsAllowed&) = delete;
  ThreadsAllowed& operator=(const ThreadsAllowed&) = delete;

 private:
  PyThreadState* state_;
};

}  // namespace jrl_native
