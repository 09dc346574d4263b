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
#include <string>
#include <string_view>

namespace zt::ui {

class TestOutputRelay : public QObject {
  Q_OBJECT

 public:
  struct Item {
    bool restore = false;  // RestoreTestControls, else a text
    std::string text;      // GBK
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
