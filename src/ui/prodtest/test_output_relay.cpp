#include "ui/prodtest/test_output_relay.h"

#include <QMetaObject>

namespace zt::ui {

TestOutputRelay::TestOutputRelay(Deliver deliver, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)) {}

void TestOutputRelay::Post(Item item) {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  queue_.push_back(std::move(item));
  if (delivery_asked_) return;
  delivery_asked_ = true;
  // One queued call delivers everything that is waiting by then; the call
  // is dropped with the relay when the view goes first.
  QMetaObject::invokeMethod(this, &TestOutputRelay::Flush, Qt::QueuedConnection);
}

void TestOutputRelay::Flush() {
  std::deque<Item> items;
  {
    std::lock_guard lock(mutex_);
    items.swap(queue_);
    delivery_asked_ = false;
  }
  for (const Item& item : items) deliver_(item);
}

void TestOutputRelay::Open() {
  std::lock_guard lock(mutex_);
  open_ = true;
}

void TestOutputRelay::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
  queue_.clear();
}

}  // namespace zt::ui
