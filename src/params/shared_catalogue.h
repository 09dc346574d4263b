// The process-wide catalogue and its lock.
//
// The configuration worker and the test run write values into the catalogue
// (a query stores every value it reads) while the user interface thread reads
// it to draw the list, and any of them may reload it. Every access therefore
// goes through Read (shared) or Write (exclusive):
//
//     catalogue.Write([&](CParamCatalogue& c) { c.Param(g, i)->value = text; });
//     const std::string v = catalogue.Read([&](const CParamCatalogue& c) {
//       return c.Param(g, i)->value; });
//
// The callback's result is returned by value, so nothing that points into
// the table outlives the lock.
//
// The one rule that keeps this free of deadlocks: never call out while
// holding the catalogue lock. Inside Read and Write do table work only; no
// reports to another thread (run-log lines, "done" messages), no message
// boxes, no waits on the serial port or on another thread, and no nested
// Read/Write (the lock is not recursive). Take what you need, leave the
// lambda, then report.
#pragma once

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "params/param_catalogue.h"

namespace zt {

class SharedCatalogue {
 public:
  SharedCatalogue() : table_(std::make_unique<CParamCatalogue>()) {}
  SharedCatalogue(const SharedCatalogue&) = delete;
  SharedCatalogue& operator=(const SharedCatalogue&) = delete;

  // f(const CParamCatalogue&) under a shared lock; any thread.
  template <class F>
  auto Read(F&& f) const {
    std::shared_lock lock(mutex_);
    return std::forward<F>(f)(std::as_const(*table_));
  }

  // f(CParamCatalogue&) under the exclusive lock; any thread.
  template <class F>
  auto Write(F&& f) {
    std::unique_lock lock(mutex_);
    return std::forward<F>(f)(*table_);
  }

  // Puts a freshly loaded table in place of the current one and gives the
  // current one back. What survives a load (the current group index) is
  // carried over.
  std::unique_ptr<CParamCatalogue> Replace(std::unique_ptr<CParamCatalogue> fresh) {
    std::unique_lock lock(mutex_);
    fresh->current_group = table_->current_group;
    std::swap(fresh, table_);
    return fresh;
  }

 private:
  mutable std::shared_mutex mutex_;
  std::unique_ptr<CParamCatalogue> table_;
};

// The catalogue of the running program. Tests make their own SharedCatalogue.
SharedCatalogue& GlobalCatalogue();

}  // namespace zt
