// strftime-style text and HTTP dates: instants written by two patterns
// and read back, against glibc's gmtime_r and strftime into a buffer and a
// string, and glibc's strptime and timegm; HTTP dates against the date
// library's format and parse with the same pattern.

#include <date/date.h>
#include <normdate/timestamp.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

// Instants of whole seconds in the years 1000 to 9999, where glibc writes
// the year as normdate does.
const std::vector<std::int64_t>& instants() {
  static const std::vector<std::int64_t> values = [] {
    std::mt19937_64 random(9110);
    const std::int64_t first = Date::Date(1000, Date::Jan, 1).toTimeT();
    const std::int64_t last = Date::Date(9999, Date::Dec, 31).toTimeT();
    std::vector<std::int64_t> result;
    for (std::size_t i = 0; i < kInputs; ++i) {
      result.push_back(
          first + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(last - first)));
    }
    return result;
  }();
  return values;
}

const std::vector<Date::Timestamp>& timestamps() {
  static const std::vector<Date::Timestamp> values = [] {
    std::vector<Date::Timestamp> result;
    for (const std::int64_t t : instants()) result.push_back(Date::Timestamp::fromUnixTime(t));
    return result;
  }();
  return values;
}

struct Pattern {
  const char* name;
  const char* pattern;
};
constexpr std::array<Pattern, 2> kPatterns = {
    {{"iso_like", "%Y-%m-%d %H:%M:%S"}, {"http_like", "%a, %d %b %Y %H:%M:%S GMT"}}};

std::string glibcFormat(std::int64_t seconds, const char* pattern) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm fields{};
  gmtime_r(&t, &fields);
  std::array<char, 64> buffer{};
  return {buffer.data(), std::strftime(buffer.data(), buffer.size(), pattern, &fields)};
}

std::int64_t glibcParse(const std::string& text, const char* pattern) {
  std::tm fields{};
  if (strptime(text.c_str(), pattern, &fields) == nullptr) return INT64_MIN;
  return timegm(&fields);
}

std::int64_t normdateParse(const std::string& text, const char* pattern) {
  return Date::Timestamp::strptime(text, pattern).getDate().toTimeT();
}

std::vector<std::string> texts(const char* pattern) {
  std::vector<std::string> result;
  for (const std::int64_t t : instants()) result.push_back(glibcFormat(t, pattern));
  return result;
}

// ---- HTTP dates, against the date library with the same pattern. ----

constexpr const char* kHttp = "%a, %d %b %Y %T GMT";

std::string httpDateLib(std::int64_t seconds) {
  return date::format(kHttp, date::sys_seconds(std::chrono::seconds(seconds)));
}

std::int64_t parseHttpDateLib(const std::string& text) {
  std::istringstream in(text);
  date::sys_seconds t;
  in >> date::parse(kHttp, t);
  return in.fail() ? INT64_MIN : t.time_since_epoch().count();
}

std::int64_t parseHttpNormdate(const std::string& text) {
  return Date::Timestamp::parseHttpDate(text).getDate().toTimeT();
}

}  // namespace

void checkConversions(Mismatches& mismatches) {
  for (const Pattern& p : kPatterns) {
    for (std::size_t i = 0; i < kInputs; ++i) {
      const std::string text = timestamps()[i].strftime(p.pattern);
      if (text != glibcFormat(instants()[i], p.pattern)) {
        mismatches.report(std::string("strftime/") + p.name, instants()[i],
                          glibcFormat(instants()[i], p.pattern), text);
      }
      if (glibcParse(text, p.pattern) != normdateParse(text, p.pattern)) {
        mismatches.report(std::string("strptime/") + p.name, text, glibcParse(text, p.pattern),
                          normdateParse(text, p.pattern));
      }
    }
  }
  for (std::size_t i = 0; i < kInputs; ++i) {
    const std::string text = timestamps()[i].toHttpDate();
    if (httpDateLib(instants()[i]) != text || parseHttpDateLib(text) != parseHttpNormdate(text)) {
      mismatches.report("http", text, httpDateLib(instants()[i]), parseHttpNormdate(text));
    }
  }
}

void registerConversions() {
  for (const Pattern& p : kPatterns) {
    const std::string name = p.name;
    benchmark::RegisterBenchmark(
        ("strftime/" + name + "/normdate").c_str(), [pattern = p.pattern](benchmark::State& state) {
          cycle(state, timestamps(),
                [pattern](const Date::Timestamp& t) { return t.strftime(pattern); });
        });
    benchmark::RegisterBenchmark(
        ("strftime/" + name + "/glibc").c_str(), [pattern = p.pattern](benchmark::State& state) {
          cycle(state, instants(), [pattern](std::int64_t t) { return glibcFormat(t, pattern); });
        });
    for (const bool normdate : {true, false}) {
      benchmark::RegisterBenchmark(
          ("strptime/" + name + (normdate ? "/normdate" : "/glibc")).c_str(),
          [pattern = p.pattern, normdate](benchmark::State& state) {
            cycle(state, texts(pattern), [pattern, normdate](const std::string& text) {
              return normdate ? normdateParse(text, pattern) : glibcParse(text, pattern);
            });
          });
    }
  }
  benchmark::RegisterBenchmark("http/format/normdate", [](benchmark::State& state) {
    cycle(state, timestamps(), [](const Date::Timestamp& t) { return t.toHttpDate(); });
  });
  benchmark::RegisterBenchmark(
      "http/format/date", [](benchmark::State& state) { cycle(state, instants(), httpDateLib); });
  for (const bool normdate : {true, false}) {
    benchmark::RegisterBenchmark(
        normdate ? "http/parse/normdate" : "http/parse/date", [normdate](benchmark::State& state) {
          cycle(state, texts(kHttp), normdate ? parseHttpNormdate : parseHttpDateLib);
        });
  }
}

}  // namespace bench
