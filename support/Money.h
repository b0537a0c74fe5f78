#pragma once
// Money arithmetic of the invoices: amounts are doubles rounded half away
// from zero.

namespace brenvik {

// Decimal places of money amounts.
constexpr int PriceDigits = 2;

// Value rounded to Digits decimal places (negative Digits: to tens,
// hundreds, ...), halves away from zero.
double RoundHalfAway(int digits, double value);

// Net amount of a gross amount at a VAT rate in percent (rate 0 or less:
// the gross amount itself), rounded to Digits places.
double NetFromGrossDigits(int digits, double rate, double gross);
double NetFromGross(double rate, double gross);
// VAT of a net amount at a rate in percent; 0 for a rate of 0 or less.
double VatFromNet(double rate, double net);

}  // namespace brenvik
