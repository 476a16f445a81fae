#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/ui_host.h"

class FiscalPrinter;

// One printer's port kept open from one job to the next, so that a till's
// burst of requests (a status read, then its receipt) pays the opening, and
// the check of the printer's identity that goes with each opening
// (PrinterPin), once. The worker closes it when it has been idle for
// kIdleRelease, so the application and fiscal-cli can still take their turn
// on the printer between a shop's sales.
//
// A kept link is given up, and the next job opens the port afresh (a new
// Generation, so the identity is read again), when:
//  - a job met a link fault (no answer, bad reply, the port gone: a printer
//    cannot be swapped without being unplugged, which breaks the link) or a
//    garbled status, or the driver closed and reopened the port (to set the
//    clock);
//  - the port's path names another device than the one opened (a USB
//    adapter's or pseudo-terminal's link given to another printer); not on
//    Windows, whose COM names stay with their device.
//
// Used on its printer's worker thread only (Take, Give, Release); Generation
// may be read there too. Every prompt of the driver goes to the host of the
// job that holds the link.
class HeldLink {
 public:
  // The idle time after which the worker closes the port.
  static constexpr std::chrono::milliseconds kIdleRelease{1000};

  // Opens a driver on the printer's line with its prompts going to the host given.
  using Opener = std::function<std::unique_ptr<FiscalPrinter>(UiHost*)>;
  // `path`: the device the opener opens ("" or a Windows COM name: not watched).
  HeldLink(Opener open, std::string path);
  ~HeldLink();
  HeldLink(const HeldLink&) = delete;
  HeldLink& operator=(const HeldLink&) = delete;

  // The driver for one job whose prompts go to `host` until Give: the one kept
  // from the job before when it is still sound, else a new one (which may have
  // failed to open: IsConnected says so).
  FiscalPrinter& Take(UiHost* host);
  // The job is done with it: kept for the next job unless the link failed.
  void Give();
  // Closes the port (the worker, when idle).
  void Release();
  // Which opening of the port the driver from Take works on: a new number
  // (from 1) each time the port is opened.
  uint64_t Generation() const { return generation_; }

 private:
  class Relay;
  struct DeviceId;

  Opener open_;
  std::string path_;
  std::unique_ptr<Relay> relay_;
  std::unique_ptr<FiscalPrinter> printer_;
  std::unique_ptr<DeviceId> opened_;  // what the path named when it was opened
  uint64_t generation_ = 0;
};
