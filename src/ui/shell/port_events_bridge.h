// Carries the port's reports (its device removed, its device back) from the
// port's watcher thread to the UI thread, as queued calls that the watcher
// does not wait for. Calls still queued when `context` goes are dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "serial/serial_port.h"

namespace zt::ui {

class PortEventsBridge final : public IPortEvents {
 public:
  using Handler = std::function<void(const std::string& port_name)>;
  PortEventsBridge(QObject* context, Handler removed, Handler returned)
      : context_(context), removed_(std::move(removed)), returned_(std::move(returned)) {}

  void PortRemoved(const std::string& port_name) override { Queue(removed_, port_name); }
  void PortReturned(const std::string& port_name) override { Queue(returned_, port_name); }

 private:
  void Queue(const Handler& handler, const std::string& port_name) {
    if (context_.isNull()) return;
    QMetaObject::invokeMethod(
        context_.data(), [handler, port_name] { handler(port_name); }, Qt::QueuedConnection);
  }

  QPointer<QObject> context_;
  Handler removed_;
  Handler returned_;
};

}  // namespace zt::ui
