#include "link/call_outcome.h"

const char* CallEndWord(CallEnd end) {
  switch (end) {
    case CallEnd::kDone:
      return "done";
    case CallEnd::kPrinterRefused:
      return "printer-refused";
    case CallEnd::kLinkFailed:
      return "link-failed";
    case CallEnd::kOutOfRange:
      return "out-of-range";
    case CallEnd::kCancelled:
      return "cancelled";
    case CallEnd::kStatusRefused:
      return "status-refused";
    case CallEnd::kFileFailed:
      return "file-failed";
  }
  // A value outside the enumeration (a corrupted or newer outcome) is no
  // success: it must never read as "done".
  return "unknown";
}
