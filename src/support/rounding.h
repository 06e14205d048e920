#pragma once
// Rounding as the program does it everywhere: to the nearest integer, halves to the even neighbour.
#include <cmath>

namespace vm {

inline int RoundHalfEven(double AValue) {
  const double Floor = std::floor(AValue);
  const double Diff = AValue - Floor;
  long long Result = static_cast<long long>(Floor);
  if (Diff > 0.5 || (Diff == 0.5 && (Result % 2 != 0))) ++Result;
  return static_cast<int>(Result);
}

// A * B / C with the exact product, rounded half away from zero (the desktop's MulDiv).
inline int MulDiv(int A, int B, int C) {
  if (C == 0) return -1;
  const long long Product = static_cast<long long>(A) * B;
  const long long Half = (C < 0 ? -C : C) / 2;
  const bool Negative = (Product < 0) != (C < 0);
  const long long Magnitude = ((Product < 0 ? -Product : Product) + Half) / (C < 0 ? -C : C);
  return static_cast<int>(Negative ? -Magnitude : Magnitude);
}

} // namespace vm
