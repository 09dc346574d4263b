// How the run's output reaches the test view: the run thread hands its lines
// (and its "restore the controls") over without waiting, the UI thread takes
// them in the order they were handed over. Once closed, the relay drops what
// other threads hand over, so a stopped run cannot add to the box.
//
// Threads: Post from any thread; Flush, Open, Close and the delivery run on
// the thread the relay lives on (the UI thread).
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "prodtest/step_progress.h"

namespace zt::ui {

class TestOutputRelay : public QObject {
  Q_OBJECT

 public:
  // One of the unit's reports, in its place among the texts.
  struct UnitReport {
    enum class Kind { kStep, kPassed, kFailed } kind = Kind::kStep;
    UnitStep step;
    std::string failure;  // GBK, kFailed
  };
  struct Item {
    Item(bool restore_controls, std::string gbk) : restore(restore_controls), text(std::move(gbk)) {}
    explicit Item(UnitReport report) : unit(std::move(report)) {}

    bool restore = false;  // RestoreTestControls, else a text or a unit report
    std::string text;      // GBK
    std::optional<UnitReport> unit;
  };
  using Deliver = std::function<void(const Item&)>;

  TestOutputRelay(Deliver deliver, QObject* parent);

  // Queues `item` and asks the UI thread to deliver it; never waits. Dropped
  // while the relay is closed.
  void Post(Item item);
  // Delivers everything queued, now (UI thread).
  void Flush();
  // A run starts: hand-overs are taken again.
  void Open();
  // Stop: what is queued is dropped, and so is what comes later.
  void Close();

 private:
  std::mutex mutex_;
  std::deque<Item> queue_;
  bool open_ = false;
  bool delivery_asked_ = false;
  Deliver deliver_;
};

}  // namespace zt::ui
