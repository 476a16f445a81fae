#pragma once

#include <string>

// How a call of the driver ended, beside its text result. The text results stay
// the callers' contract (a reply's data, an ACK code, "OK", "" for failure);
// this says what the text alone cannot: why a call failed, whether a non-empty
// result is a refusal the user passed over, and whether the user has already
// been told. The command-line tool's exit status, the server's answers and the
// configuration tools read it instead of guessing from texts.
enum class CallEnd {
  // The printer carried the command out (a data reply, an ACK whose code
  // reports no command error) or the method decoded what it read.
  kDone,
  // The printer answered with an ACK code naming a command error (`code`). The
  // result is that code when the user chose "Продължи", "" otherwise.
  kPrinterRefused,
  // The port could not be opened, a frame could not be sent, or no sound reply
  // came; the user gave up (or nobody could be asked).
  kLinkFailed,
  // An argument outside its range: nothing was sent. Also a time before the
  // last fiscal-memory record ("BP") and a text too long for one frame.
  kOutOfRange,
  // The user answered a question of the command itself with "Отказ"/"Не".
  kCancelled,
  // The printer's state did not meet the command's requirement word (or the
  // user chose not to put it right when asked): nothing of the command was sent.
  kStatusRefused,
  // A file of this computer could not be read or written (the logo, the
  // fiscal-memory download); the user was told.
  kFileFailed,
};

struct CallOutcome {
  CallEnd end = CallEnd::kDone;
  // The printer's two-character ACK code, when the last reply was an ACK.
  std::string code;
  // True when a message about this end went to the UI host (a prompt the user
  // saw and answered). False for silent ends: an argument outside its range,
  // or a host with nobody to show it to.
  bool userTold = false;
  // UTF-8: the text shown to the user, or, when nobody was told, what was wrong
  // ("Сумата трябва да е от 0 до 999999.99"). Empty for kDone.
  std::string message;

  bool Done() const { return end == CallEnd::kDone; }
};

// Whether a driver call did what it was asked: a non-empty result of a call
// that ended done. A refusal passed over with "Продължи" and SetDateTime's
// "BP" are non-empty too; a read passed over that way decodes the ACK code as
// if it were the reply, so its out-parameters are not the printer's values.
inline bool CallDone(const std::string& result, const CallOutcome& outcome) {
  return !result.empty() && outcome.Done();
}

// A stable word for machine-readable output: "done", "printer-refused",
// "link-failed", "out-of-range", "cancelled", "status-refused", "file-failed";
// "unknown" for a value outside CallEnd (never "done").
const char* CallEndWord(CallEnd end);
