// The narrow interfaces through which the core reports to a front end (the desktop window or
// the command line). The core defines them; the front ends implement them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex {

// The log view: lines with the colour markup of the log writer.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void AddLine(std::string_view line) = 0;
  // Empties the view (the start of a long operation).
  virtual void ClearLog() {}
  // Shows the view's first lines (the end of a long operation).
  virtual void ShowCaret() {}
  // False while no output view is attached; the engine then stops logging.
  virtual bool hasView() const { return true; }
};

// Message boxes shown to the user.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void showError(std::string_view text) = 0;
};

// The status bar: numbered text panels.
class StatusPanels {
 public:
  virtual ~StatusPanels() = default;
  virtual void setPanel(int index, std::string_view text) = 0;
};

// The progress bar of a long operation.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setTotal(int64_t total) = 0;
  virtual void setPosition(int64_t position) = 0;
};

// Lets the front end handle pending events (repaint, the Stop button) during long work.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void processPendingEvents() = 0;
};

}  // namespace tarvex
