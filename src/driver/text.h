#pragma once

#include <ctime>
#include <string>

// Text helpers for the printer's fixed-width fields. Texts are single-byte
// (Windows-1251); every length and width counts bytes.

// Brings `text` to exactly |width| bytes: cut to the first |width| bytes, then
// filled with `fill`: alignment 0 left (fill after), 2 right (fill before),
// 1 centre (floor half before, the rest after); any other value as left.
std::string FitText(const std::string& text, int width, int alignment, char fill);

// `text` with `fill` put `before` times in front and `after` times at the end;
// each count is capped at 100 (negative counts add nothing).
std::string PadWithChar(const std::string& text, int before, int after, char fill);

// `text` with `ch` removed everywhere (mode 0), only from the front (mode 1) or
// only from the end (mode 2); any other mode returns the text unchanged.
std::string RemoveChar(const std::string& text, char ch, int mode);

// Calendar time (local) of the printer's date text "DD-MM-YYYY HH:MM"; a shorter
// text is filled with '0' on the right, so a bare date reads as 00:00. Seconds 0.
std::time_t ParseDateTime(const std::string& text);

// "<what> трябва да е от <lo> до <hi>": the message of an argument outside
// its range (LastOutcome, call_outcome.h).
std::string RangeMessage(const char* what, long lo, long hi);

// printf into a std::string.
#ifdef __MINGW32__
// MinGW builds use the C99 printf family, not the C runtime's dialect.
std::string Sprintf(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Sprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

// strftime of the local time `t`, with "%B" always giving the month's Bulgarian
// name (MonthName, UTF-8) whatever the process locale. Supports the usual
// conversions.
std::string FormatTime(std::time_t t, const char* format);

// Leading-number conversions of a field: characters [from, to] (0-based,
// inclusive) of `text`; characters beyond the end are missing, so a field that is
// wholly past the end reads as 0. Never reads past the end of `text`.
std::string Field(const std::string& text, size_t from, size_t to);
int FieldInt(const std::string& text, size_t from, size_t to);
double FieldDouble(const std::string& text, size_t from, size_t to);
// The character at `pos`, or '\0' when the text is shorter.
char CharAt(const std::string& text, size_t pos);
