// The zone of a coordinate system as the program holds it: a plane
// rectangular zone stated by data, the settings or the user (a number, which
// a file may state outside 1..19: converting from or into it then fails
// naming it), or one of three things that are no zone number: unstated (the
// zone of the other side of a change), automatic (the project's zone that
// the first data chooses) and local (arbitrary coordinates, as a 地図XML file
// in 任意座標系, placed nowhere).
#pragma once

#include <cstdint>

#include "coords/projection.h"

namespace chizro {

class TZone final {
public:
  // Unstated.
  constexpr TZone() noexcept = default;

  static constexpr TZone Unstated() noexcept { return {}; }
  static constexpr TZone Automatic() noexcept { return TZone(TState::Automatic, 0); }
  static constexpr TZone Local() noexcept { return TZone(TState::Local, 0); }
  // Zone `number` as stated.
  static constexpr TZone Stated(int number) noexcept { return TZone(TState::Stated, number); }
  // A stored zone number, where 0 means none: a vector file's header, a
  // block reference point's column.
  static constexpr TZone OfStored(int number) noexcept {
    return number == 0 ? Unstated() : Stated(number);
  }
  // The zone a setting or an option chooses: 1..19, anything else automatic.
  static constexpr TZone Chosen(int number) noexcept {
    return number >= kMinZone && number <= kMaxZone ? Stated(number) : Automatic();
  }

  constexpr bool IsStated() const noexcept { return state_ == TState::Stated; }
  constexpr bool IsUnstated() const noexcept { return state_ == TState::Unstated; }
  constexpr bool IsAutomatic() const noexcept { return state_ == TState::Automatic; }
  constexpr bool IsLocal() const noexcept { return state_ == TState::Local; }
  // A stated zone of the survey law's 19.
  constexpr bool IsPlaneZone() const noexcept {
    return IsStated() && number_ >= kMinZone && number_ <= kMaxZone;
  }
  // The number of a stated zone; 0 for the others (as files store them).
  constexpr int Number() const noexcept { return IsStated() ? number_ : 0; }

  friend constexpr bool operator==(TZone, TZone) noexcept = default;

private:
  enum class TState : std::uint8_t { Unstated, Automatic, Local, Stated };
  constexpr TZone(TState state, int number) noexcept : state_(state), number_(number) {}

  TState state_ = TState::Unstated;
  int number_ = 0;
};

}  // namespace chizro
