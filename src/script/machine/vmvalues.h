// Conversions between the value kinds of the script language, shared by the
// virtual machine's operators and keyword operations.
#pragma once
#include <cstdint>
#include <string>

#include "script/machine/vmcode.h"

// Decimal text, "-" for negative values.
void AppendIntegerText(std::string& out, std::int32_t value);
// General form with up to 15 significant digits: 100, 1.5, 1E20, 1.5E-7.
void AppendFloatingText(std::string& out, double value);
// The text of an integer, floating or string cell (a reference gives "").
void AppendValueText(std::string& out, const TStackData& cell);

// A whole signed integer: optional blanks, a sign, then decimal digits or a
// hexadecimal number after "0x" or "$". False when the text is anything else
// or does not fit 32 bits.
bool ParseIntegerText(const std::string& text, std::int32_t& value);
// A decimal floating number (sign, fraction, exponent), blanks around it
// allowed; the decimal point is always ".".
bool ParseFloatingText(const std::string& text, double& value);
// Sets the fields other than the kind's own from the value: a number's text,
// the integer and floating forms of each other; a string's numbers are 0.
void AlignValueFields(TStackData& cell);

// Truncation toward zero, held to the 32-bit range (NaN gives 0).
std::int32_t TruncateToInteger(double value);

// Copies a value: kind, numbers and reference. The string goes along only
// when the value is one; a number's cell keeps whatever text it held, which
// nothing reads (built-ins get their by-value arguments aligned first).
inline void CopyValue(TStackData& to, const TStackData& from) {
  to.kind = from.kind;
  to.ival = from.ival;
  to.fval = from.fval;
  to.ref = from.ref;
  to.refCells = from.refCells;
  if (from.kind == dtString) to.sval = from.sval;
}

// As CopyValue for a cell that is not needed afterwards: a string changes
// places with the target's old text instead of being copied.
inline void MoveValue(TStackData& to, TStackData& from) {
  to.kind = from.kind;
  to.ival = from.ival;
  to.fval = from.fval;
  to.ref = from.ref;
  to.refCells = from.refCells;
  if (from.kind == dtString) to.sval.swap(from.sval);
}
