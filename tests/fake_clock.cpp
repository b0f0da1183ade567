#include "fake_clock.h"

#include <chrono>

namespace {

enum class Mode { Compute, Fixed, ReadFails, SplitFails };

Mode mode = Mode::Compute;
std::time_t fakeNow = 0;
std::tm fixedSplit{};
int readCount = 0;

std::tm chronoSplit(std::time_t t) {
  using namespace std::chrono;
  const sys_seconds instant{seconds{t}};
  const sys_days day = floor<days>(instant);
  const year_month_day date{day};
  const hh_mm_ss time{instant - day};
  std::tm split{};
  split.tm_year = static_cast<int>(date.year()) - 1900;
  split.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  split.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  split.tm_hour = static_cast<int>(time.hours().count());
  split.tm_min = static_cast<int>(time.minutes().count());
  split.tm_sec = static_cast<int>(time.seconds().count());
  return split;
}

}  // namespace

namespace fakeclock {

void set(std::time_t now) {
  mode = Mode::Compute;
  fakeNow = now;
  readCount = 0;
}

void setSplit(const std::tm& split) {
  mode = Mode::Fixed;
  fixedSplit = split;
  readCount = 0;
}

void failRead() {
  mode = Mode::ReadFails;
  readCount = 0;
}

void failSplit() {
  mode = Mode::SplitFails;
  readCount = 0;
}

int reads() { return readCount; }

std::tm splitOf(int year, int month, int day, int hour, int minute, int second) {
  std::tm split{};
  split.tm_year = year - 1900;
  split.tm_mon = month - 1;
  split.tm_mday = day;
  split.tm_hour = hour;
  split.tm_min = minute;
  split.tm_sec = second;
  return split;
}

}  // namespace fakeclock

extern "C" std::time_t time(std::time_t* out) noexcept {
  ++readCount;
  const std::time_t now = mode == Mode::ReadFails ? static_cast<std::time_t>(-1) : fakeNow;
  if (out != nullptr) *out = now;
  return now;
}

extern "C" std::tm* gmtime_r(const std::time_t* t, std::tm* out) noexcept {
  switch (mode) {
    case Mode::SplitFails: return nullptr;
    case Mode::Fixed: *out = fixedSplit; return out;
    default: *out = chronoSplit(*t); return out;
  }
}
