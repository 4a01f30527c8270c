// The wait cursor over the whole application while a blocking piece of work runs on the main
// thread (a package install, which may wait for another install's lock). Message boxes asked
// meanwhile show the arrow (message_box.cpp).
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace kelmo {

class TBusyCursor {
 public:
  TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace kelmo
