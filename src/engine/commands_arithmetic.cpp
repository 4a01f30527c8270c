// Arithmetic and mathematical functions, computed in extended precision (long double). Every
// result must be finite: a division by zero, a value outside a function's domain or an overflow
// fails the command. Integer division and remainder read 32-bit integers and work in 64 bits, so
// even the smallest integer divided by -1 has its true result. The rounding commands give
// integer texts and fail beyond the integer range they use (32 bits for CEIL: and FLOOR:, 64 bits
// for TRUNC: and ROUND:).
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "engine/command_support.h"

namespace kelmo {
namespace {

// The integer text of a whole value, which must lie in [lowest, highest].
std::u16string WholeText(long double value, long double lowest, long double highest) {
  if (!(value >= lowest && value <= highest)) throw ECommandFailed("beyond the integer range");
  return IntegerText(static_cast<int64_t>(value));
}

std::u16string Int32Text(long double value) {
  return WholeText(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

std::u16string Int64Text(long double value) {
  // 2^63 itself is out of range; the largest long double below it is its predecessor.
  constexpr long double kTwoTo63 = 9223372036854775808.0L;
  return WholeText(value, -kTwoTo63, std::nextafter(kTwoTo63, 0.0L));
}

long double Power(long double x, long double y) {
  if (y == 0) return 1;
  if (x < 0 && std::trunc(y) != y) throw ECommandFailed("negative base with a fractional power");
  return std::pow(x, y);
}

}  // namespace

std::u16string Arithmetic(const TCommand& command, int leftStart, TArithmetic operation) {
  const long double x = ReadNumber(command.Left(leftStart));
  const long double y = ReadNumber(command.Right());
  switch (operation) {
    case TArithmetic::kAdd:
      return NumberText(x + y);
    case TArithmetic::kSubtract:
      return NumberText(x - y);
    case TArithmetic::kMultiply:
      return NumberText(x * y);
    case TArithmetic::kDivide:
      if (y == 0) throw ECommandFailed("division by zero");
      return NumberText(x / y);
    case TArithmetic::kPower:
      return NumberText(Power(x, y));
    case TArithmetic::kMax:
      return NumberText(std::max(x, y));
    case TArithmetic::kMin:
      return NumberText(std::min(x, y));
    case TArithmetic::kLog:
      return NumberText(std::log(y) / std::log(x));  // x is the base
  }
  return {};
}

std::u16string IntegerDivision(const TCommand& command) {
  const int64_t x = ReadInteger(command.Left(2));
  const int64_t y = ReadInteger(command.Right());
  if (y == 0) throw ECommandFailed("division by zero");
  return IntegerText(x / y);
}

std::u16string IntegerRemainder(const TCommand& command) {
  const int64_t x = ReadInteger(command.Left(2));
  const int64_t y = ReadInteger(command.Right());
  if (y == 0) throw ECommandFailed("division by zero");
  return IntegerText(x % y);
}

std::u16string MathFunction(const TCommand& command, int argumentStart, TFunction function) {
  const long double x = ReadNumber(command.SliceFrom(argumentStart));
  switch (function) {
    case TFunction::kAbs:
      return NumberText(std::fabs(x));
    case TFunction::kSqr:
      return NumberText(x * x);
    case TFunction::kSqrt:
      return NumberText(std::sqrt(x));
    case TFunction::kExp:
      return NumberText(std::exp(x));
    case TFunction::kSin:
      return NumberText(std::sin(x));
    case TFunction::kCos:
      return NumberText(std::cos(x));
    case TFunction::kTan:
      return NumberText(std::tan(x));
    case TFunction::kArcSin:
      return NumberText(std::asin(x));
    case TFunction::kArcCos:
      return NumberText(std::acos(x));
    case TFunction::kArcTan:
      return NumberText(std::atan(x));
  }
  return {};
}

std::u16string Rounding(const TCommand& command, int argumentStart, TRounding rounding) {
  const long double x = ReadNumber(command.SliceFrom(argumentStart));
  switch (rounding) {
    case TRounding::kCeil:
      return Int32Text(std::ceil(x));
    case TRounding::kFloor:
      return Int32Text(std::floor(x));
    case TRounding::kTrunc:
      return Int64Text(std::trunc(x));
    case TRounding::kRound:
      return Int64Text(std::trunc(x >= 0 ? x + 0.5L : x - 0.5L));
  }
  return {};
}

std::u16string PiText() {
  return NumberText(std::numbers::pi_v<long double>);
}

}  // namespace kelmo
