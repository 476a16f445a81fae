#include "dialogs/char_counter.h"

#include "driver/text.h"

CharCounter CountCharacters(int limit, int length, int redAbove) {
  return {Sprintf("%1.1d", limit - length), length > redAbove};
}
