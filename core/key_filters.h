// Key filters of the numeric boxes. Each looks at the code of a typed
// character and lets it through, changes it, or swallows it with a beep.
#pragma once

namespace verdin {

struct KeyFilterResult {
  int code = 0;       // the character to enter; 0 = nothing is entered
  bool beep = false;  // the system beep sounds
};

// Quantity txtKolic, the grid's price cells txtSt(i), the coefficient
// values txtKoeffK(i) and the indexation boxes txtKi(i): digits, "," and
// Backspace pass, "." becomes ",", anything else is swallowed with a beep.
KeyFilterResult FilterDecimalKey(int code);

// Item number txtProcent: digits and Backspace only.
KeyFilterResult FilterDigitKey(int code);

// Construction-cost window boxes txt1/txt2: as FilterDecimalKey, and the
// minus sign passes too.
KeyFilterResult FilterSignedDecimalKey(int code);

}  // namespace verdin
