#pragma once

// The letter of a Ctrl+letter key press as the toolkit reports it in a char
// event: the control character 1..26, or the letter itself in either case.
// 'A'..'Z', or 0 for any other key (the caller passes those on).
constexpr int ControlLetter(int keyCode) {
  if (keyCode >= 1 && keyCode <= 26) return 'A' + keyCode - 1;
  if (keyCode >= 'a' && keyCode <= 'z') return keyCode - 'a' + 'A';
  if (keyCode >= 'A' && keyCode <= 'Z') return keyCode;
  return 0;
}
