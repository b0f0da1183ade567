// Text: dates written in the default and ISO forms and in formats of every
// length, read back from token formats and ISO 8601 text, and timestamps
// written and read as RFC 3339 text with a fraction.

#include <absl/time/civil_time.h>
#include <absl/time/time.h>
#include <date/date.h>
#include <normdate/timestamp.h>

#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

// ---- Writing dates. ----

std::string formatNormdate(const Date::Date& d) { return d.toString(); }

std::string formatStrftime(const Date::Date& d) {
  const std::tm fields = d.toTm();
  std::string text(32, '\0');
  text.resize(std::strftime(text.data(), text.size(), "%Y-%b-%d %H:%M:%S", &fields));
  return text;
}

date::sys_seconds sysSecondsOf(const Date::Date& d) {
  const date::sys_days day{date::year{d.getYear()} / d.getMonth() / d.getDay()};
  return day + std::chrono::hours{d.getHour()} + std::chrono::minutes{d.getMinute()} +
         std::chrono::seconds{d.getSecond()};
}

std::string formatDateLib(const Date::Date& d) {
  return date::format("%Y-%b-%d %H:%M:%S", sysSecondsOf(d));
}

std::string formatAbseil(const Date::Date& d) {
  return absl::FormatCivilTime(absl::CivilSecond(d.getYear(), d.getMonth(), d.getDay(), d.getHour(),
                                                 d.getMinute(), d.getSecond()));
}

std::string isoNormdate(const Date::Date& d) { return d.toIsoString(); }

std::string isoStrftime(const Date::Date& d) {
  const std::tm fields = d.toTm();
  std::string text(32, '\0');
  text.resize(std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &fields));
  return text;
}

std::string isoAbseil(const Date::Date& d) {
  return absl::FormatTime("%Y-%m-%d%ET%H:%M:%SZ", absl::FromUnixSeconds(d.toTimeT()),
                          absl::UTCTimeZone());
}

using Writer = std::string (*)(const Date::Date&);

// Each writer with the text normdate's writer gives: years from 1000 on,
// where every peer writes the year as normdate does.
struct WriterRow {
  const char* name;
  Writer normdate;
  std::array<std::pair<const char*, Writer>, 3> peers;
};

const std::array<WriterRow, 2> writerRows = {{
    {"format/default",
     formatNormdate,
     {{{"strftime", formatStrftime}, {"date", formatDateLib}, {"abseil", nullptr}}}},
    {"iso/format",
     isoNormdate,
     {{{"strftime", isoStrftime}, {"abseil", isoAbseil}, {"", nullptr}}}},
}};

// abseil writes the numeric form, not normdate's default one: a row of its own.
const std::string_view kNumeric = "YYYY-MM-DDThh:mm:ss";

void writeDates(benchmark::State& state, Writer writer) { cycle(state, dates("valid"), writer); }

void formatLong(benchmark::State& state) {
  std::string format;
  for (int i = 0; i < 10; ++i) format += "YYYY-MMM-DD hh:mm:ss MM/DD ";
  const std::vector<Date::Date> inputs = dates("valid");
  cycle(state, inputs, [&format](const Date::Date& d) { return d.toString(format); });
  state.counters["format_bytes"] = static_cast<double>(format.size());
}

// ---- Formats of every length: a 20-byte unit of tokens repeated, padded ----
// ---- with literal bytes, against strftime writing the same text.        ----

struct LengthFormat {
  std::string format, percent;
};

// A format of `bytes` bytes: with tokens, repeated "YYYY-MM-DD hh:mm:ss "
// and as much of it as fits, in whole tokens, then 'x' to the length.
LengthFormat lengthFormat(std::size_t bytes, bool tokens) {
  constexpr std::array<std::pair<std::string_view, std::string_view>, 12> pieces = {{{"YYYY", "%Y"},
                                                                                     {"-", "-"},
                                                                                     {"MM", "%m"},
                                                                                     {"-", "-"},
                                                                                     {"DD", "%d"},
                                                                                     {" ", " "},
                                                                                     {"hh", "%H"},
                                                                                     {":", ":"},
                                                                                     {"mm", "%M"},
                                                                                     {":", ":"},
                                                                                     {"ss", "%S"},
                                                                                     {" ", " "}}};
  LengthFormat f;
  for (std::size_t i = 0; tokens && f.format.size() + pieces[i].first.size() <= bytes;
       i = (i + 1) % pieces.size()) {
    f.format += pieces[i].first;
    f.percent += pieces[i].second;
  }
  f.percent += std::string(bytes - f.format.size(), 'x');
  f.format += std::string(bytes - f.format.size(), 'x');
  return f;
}

constexpr std::array<std::size_t, 14> kFormatLengths = {8,  16,  32,  63,   64,   65,    66,
                                                        80, 128, 256, 1024, 4096, 16384, 65536};

std::string strftimeInto(std::vector<char>& buffer, const std::tm& fields,
                         const std::string& percent) {
  return {buffer.data(), std::strftime(buffer.data(), buffer.size(), percent.c_str(), &fields)};
}

// How a format-length row writes its text: normdate's toString returning a
// new string, or into one string reused by every iteration (as strftime
// writes into one buffer), or strftime.
enum class FormatWriter { Returned, Into, Strftime };

void formatLength(benchmark::State& state, FormatWriter writer, bool tokens) {
  const LengthFormat f = lengthFormat(static_cast<std::size_t>(state.range(0)), tokens);
  const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
  const std::tm fields = d.toTm();
  std::vector<char> buffer(f.format.size() + 1);
  std::string into;
  for (auto _ : state) {
    switch (writer) {
      case FormatWriter::Returned: {
        std::string text = d.toString(f.format);
        benchmark::DoNotOptimize(text);
        break;
      }
      case FormatWriter::Into:
        d.toString(f.format, into);
        benchmark::DoNotOptimize(into.data());
        break;
      case FormatWriter::Strftime: {
        std::size_t n = std::strftime(buffer.data(), buffer.size(), f.percent.c_str(), &fields);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer.data());
        break;
      }
    }
    benchmark::ClobberMemory();
  }
}

// ---- Reading token formats back: normdate's tryParse against strptime, ----
// ---- abseil's ParseCivilTime and the date library's parse.           ----

struct ParseRow {
  std::vector<std::string> texts;
  std::string_view format;  // normdate's; its length known, as a literal's is
  const char* percent;      // strptime's and the date library's
  bool accepted;            // whether the texts are valid
};

std::string numericText(const Date::Date& d) { return d.toString(kNumeric); }

// Valid dates of years 1000 on, which every parser reads as four digits.
std::vector<Date::Date> fourDigitYears() {
  std::vector<Date::Date> result;
  for (const Date::Date& d : dates("valid"))
    result.push_back(d.addYear(d.getYear() < 1000 ? 1000 : 0));
  return result;
}

const std::array<ParseRow, 3>& parseRows() {
  static const std::array<ParseRow, 3> rows = [] {
    std::array<ParseRow, 3> r = {{{{}, kNumeric, "%Y-%m-%dT%H:%M:%S", true},
                                  {{}, "YYYY-MMM-DD hh:mm:ss", "%Y-%b-%d %H:%M:%S", true},
                                  {{}, kNumeric, "%Y-%m-%dT%H:%M:%S", false}}};
    std::mt19937_64 random(11);
    for (const Date::Date& d : fourDigitYears()) {
      r[0].texts.push_back(numericText(d));
      r[1].texts.push_back(d.toString());
      // One digit of the numeric form made a letter.
      std::string corrupt = numericText(d);
      constexpr std::array<std::size_t, 14> digits = {0, 1,  2,  3,  5,  6,  8,
                                                      9, 11, 12, 14, 15, 17, 18};
      corrupt[digits[static_cast<std::size_t>(uniform(random, 0, 13))]] = 'x';
      r[2].texts.push_back(corrupt);
    }
    return r;
  }();
  return rows;
}

std::optional<Fields> parseNormdate(const std::string& text, const ParseRow& row) {
  const std::optional<Date::Date> d = Date::Date::tryParse(text, row.format);
  if (!d) return std::nullopt;
  return fieldsOf(*d);
}

std::optional<Fields> parseStrptime(const std::string& text, const ParseRow& row) {
  std::tm f{};
  const char* end = strptime(text.c_str(), row.percent, &f);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return Fields{f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec};
}

std::optional<Fields> parseAbseil(const std::string& text, const ParseRow& /*row*/) {
  absl::CivilSecond c;
  if (!absl::ParseCivilTime(text, &c)) return std::nullopt;
  return Fields{static_cast<int>(c.year()), c.month(), c.day(), c.hour(), c.minute(), c.second()};
}

std::optional<Fields> parseDateLib(const std::string& text, const ParseRow& row) {
  std::istringstream in(text);
  date::local_seconds t;
  in >> date::parse(row.percent, t);
  if (in.fail() || in.peek() != std::char_traits<char>::eof()) return std::nullopt;
  const date::local_days day = date::floor<date::days>(t);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss time{t - day};
  return Fields{static_cast<int>(ymd.year()),
                static_cast<int>(static_cast<unsigned>(ymd.month())),
                static_cast<int>(static_cast<unsigned>(ymd.day())),
                static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count())};
}

using TextParser = std::optional<Fields> (*)(const std::string&, const ParseRow&);
constexpr std::array<std::pair<const char*, TextParser>, 4> textParsers = {{
    {"normdate", parseNormdate},
    {"strptime", parseStrptime},
    {"abseil", parseAbseil},
    {"date", parseDateLib},
}};
constexpr std::array<const char*, 3> parseRowNames = {"numeric", "default", "reject"};

// abseil reads only its own fixed numeric form.
bool reads(std::string_view peer, std::size_t row) { return peer != "abseil" || row != 1; }

// A long text: a pattern repeated to about `bytes` bytes, every field read
// again in each repetition.
struct LongText {
  std::string text, format, percent;
};

LongText longText(std::size_t bytes) {
  LongText t;
  while (t.text.size() < bytes) {
    t.text += "2026-12-06 02:04:49 ";
    t.format += "YYYY-MM-DD hh:mm:ss ";
    t.percent += "%Y-%m-%d %H:%M:%S ";
  }
  return t;
}

void parseLong(benchmark::State& state, bool normdate) {
  const LongText t = longText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    if (normdate) {
      std::optional<Date::Date> d = Date::Date::tryParse(t.text, t.format);
      benchmark::DoNotOptimize(d);
    } else {
      std::tm f{};
      const char* end = strptime(t.text.c_str(), t.percent.c_str(), &f);
      benchmark::DoNotOptimize(end);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.text.size()));
}

// ---- ISO 8601 text: each parser gives the instant. ----

// Texts with numeric offsets, which every peer reads, of dates whose
// instants stay within years 0..9999; with `fraction`, three digits of one
// and years that a count of nanoseconds holds.
std::vector<std::string> makeIsoTexts(bool fraction) {
  std::vector<std::string> result;
  std::mt19937_64 random(fraction ? 23 : 7);
  for (const Date::Date& d : dates("valid")) {
    const Date::Date inner = fraction ? d.addYear(1700 + d.getYear() % 560 - d.getYear())
                             : d.getYear() == 0 || d.getYear() == 9999 ? d.addYear(1 - d.getYear())
                                                                       : d;
    const int offset = uniform(random, -23 * 60 - 59, 23 * 60 + 59);
    std::array<char, 16> fractionText{};
    if (fraction)
      std::snprintf(fractionText.data(), fractionText.size(), ".%03d", uniform(random, 0, 999));
    std::array<char, 16> zone{};
    std::snprintf(zone.data(), zone.size(), "%c%02d:%02d", offset < 0 ? '-' : '+',
                  std::abs(offset) / 60, std::abs(offset) % 60);
    result.push_back(inner.toIsoString().substr(0, 19) + fractionText.data() + zone.data());
  }
  return result;
}

const std::vector<std::string>& isoTexts(bool fraction) {
  static const std::vector<std::string> whole = makeIsoTexts(false);
  static const std::vector<std::string> fractions = makeIsoTexts(true);
  return fraction ? fractions : whole;
}

// Each parser's instant, in seconds for whole texts and in nanoseconds for
// texts with a fraction.
std::int64_t parseIsoNormdate(const std::string& text) {
  return Date::Date::parseIso(text).toSysSeconds().time_since_epoch().count();
}

std::int64_t parseIsoAbseil(const std::string& text) {
  absl::Time t;
  std::string error;
  if (!absl::ParseTime(absl::RFC3339_full, text, &t, &error)) return INT64_MIN;
  return absl::ToUnixSeconds(t);
}

std::int64_t parseIsoStrptime(const std::string& text) {
  std::tm fields{};
  if (strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S%z", &fields) == nullptr) return INT64_MIN;
  const long offset = fields.tm_gmtoff;  // read first: timegm resets it
  return timegm(&fields) - offset;
}

std::int64_t parseIsoDateLib(const std::string& text) {
  std::istringstream in(text);
  date::sys_seconds t;
  in >> date::parse("%FT%T%Ez", t);
  return in.fail() ? INT64_MIN : t.time_since_epoch().count();
}

std::int64_t parseTimestampNormdate(const std::string& text) {
  return Date::Timestamp::parseIso(text).toSysTime().time_since_epoch().count();
}

std::int64_t parseTimestampAbseil(const std::string& text) {
  absl::Time t;
  std::string error;
  if (!absl::ParseTime(absl::RFC3339_full, text, &t, &error)) return INT64_MIN;
  return absl::ToUnixNanos(t);
}

std::int64_t parseTimestampDateLib(const std::string& text) {
  std::istringstream in(text);
  date::sys_time<std::chrono::milliseconds> t;
  in >> date::parse("%FT%T%Ez", t);
  return in.fail() ? INT64_MIN : std::chrono::nanoseconds(t.time_since_epoch()).count();
}

using IsoParser = std::int64_t (*)(const std::string&);

struct IsoParseRow {
  const char* name;
  bool fraction;
  std::array<std::pair<const char*, IsoParser>, 4> parsers;  // normdate's first
};

const std::array<IsoParseRow, 2> isoParseRows = {{
    {"iso/parse",
     false,
     {{{"normdate", parseIsoNormdate},
       {"abseil", parseIsoAbseil},
       {"strptime", parseIsoStrptime},
       {"date", parseIsoDateLib}}}},
    {"timestamp/iso_parse",
     true,
     {{{"normdate", parseTimestampNormdate},
       {"abseil", parseTimestampAbseil},
       {"date", parseTimestampDateLib},
       {"", nullptr}}}},
}};

// ---- Timestamps of whole milliseconds, written as RFC 3339 text. ----

using MilliTime = date::sys_time<std::chrono::milliseconds>;

// Instants of whole milliseconds from 1970 to 2262, one in ten on a whole
// second.
const std::vector<MilliTime>& milliInstants() {
  static const std::vector<MilliTime> values = [] {
    std::vector<MilliTime> result;
    std::mt19937_64 random(29);
    for (std::size_t i = 0; i < kInputs; ++i) {
      const auto count = std::uniform_int_distribution<std::int64_t>(0, 9'223'372'036'853)(random);
      result.emplace_back(std::chrono::milliseconds(i % 10 == 0 ? count / 1000 * 1000 : count));
    }
    return result;
  }();
  return values;
}

std::string isoTimestampNormdate(MilliTime t) { return Date::Timestamp(t).toIsoString(); }

std::string isoTimestampAbseil(MilliTime t) {
  return absl::FormatTime(absl::RFC3339_full, absl::FromChrono(t), absl::UTCTimeZone());
}

std::string isoTimestampDateLib(MilliTime t) { return date::format("%FT%TZ", t); }

using MilliWriter = std::string (*)(MilliTime);
constexpr std::array<std::pair<const char*, MilliWriter>, 3> timestampWriters = {
    {{"normdate", isoTimestampNormdate},
     {"abseil", isoTimestampAbseil},
     {"date", isoTimestampDateLib}}};

}  // namespace

void checkText(Mismatches& mismatches) {
  for (const WriterRow& row : writerRows) {
    for (const Date::Date& d : dates("valid")) {
      if (d.getYear() < 1000) continue;
      const std::string expected = row.normdate(d);
      for (const auto& [peer, write] : row.peers) {
        if (write != nullptr && write(d) != expected) {
          mismatches.report(std::string(row.name) + "/" + peer, d, write(d), expected);
        }
      }
    }
  }
  for (const Date::Date& d : dates("valid")) {
    if (d.getYear() >= 1000 && formatAbseil(d) != d.toString(kNumeric)) {
      mismatches.report("FormatCivilTime", d, formatAbseil(d), d.toString(kNumeric));
    }
  }
  for (std::size_t r = 0; r < parseRows().size(); ++r) {
    const ParseRow& row = parseRows()[r];
    for (const std::string& text : row.texts) {
      const std::optional<Fields> expected = parseNormdate(text, row);
      if (expected.has_value() != row.accepted) mismatches.report("tryParse", text, "", row.format);
      for (const auto& [peer, parse] : textParsers) {
        if (!reads(peer, r)) continue;
        const std::optional<Fields> got = parse(text, row);
        if (got != expected) {
          mismatches.report(std::string("parse/") + parseRowNames[r] + "/" + peer, text,
                            got ? "a date" : "nothing", expected ? "a date" : "nothing");
        }
      }
    }
  }
  for (const bool tokens : {false, true}) {
    const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
    std::vector<char> buffer(kFormatLengths.back() + 1);
    for (const std::size_t bytes : kFormatLengths) {
      const LengthFormat f = lengthFormat(bytes, tokens);
      std::string into = "left over";
      d.toString(f.format, into);
      if (d.toString(f.format) != strftimeInto(buffer, d.toTm(), f.percent) ||
          into != d.toString(f.format)) {
        mismatches.report("format/length", bytes, strftimeInto(buffer, d.toTm(), f.percent),
                          d.toString(f.format));
      }
    }
  }
  for (const IsoParseRow& row : isoParseRows) {
    for (const std::string& text : isoTexts(row.fraction)) {
      const std::int64_t expected = row.parsers[0].second(text);
      for (const auto& [peer, parse] : row.parsers) {
        if (parse != nullptr && parse(text) != expected) {
          mismatches.report(std::string(row.name) + "/" + peer, text, parse(text), expected);
        }
      }
    }
  }
  // The writers of timestamps differ in form ("Z" or "+00:00", trailing
  // zeros): each text must name normdate's instant.
  for (const MilliTime t : milliInstants()) {
    for (const auto& [peer, write] : timestampWriters) {
      const std::optional<Date::Timestamp> read = Date::Timestamp::tryParseIso(write(t));
      if (read != Date::Timestamp(t)) {
        mismatches.report(std::string("timestamp/iso_format/") + peer, t.time_since_epoch().count(),
                          write(t), isoTimestampNormdate(t));
      }
    }
  }
}

void registerText() {
  for (const WriterRow& row : writerRows) {
    benchmark::RegisterBenchmark((std::string(row.name) + "/normdate").c_str(), writeDates,
                                 row.normdate);
    for (const auto& [peer, write] : row.peers) {
      if (write == nullptr) continue;
      benchmark::RegisterBenchmark((std::string(row.name) + "/" + peer).c_str(), writeDates, write);
    }
  }
  benchmark::RegisterBenchmark("format/iso/abseil", writeDates, formatAbseil);
  benchmark::RegisterBenchmark("format/long/normdate", formatLong);
  for (std::size_t r = 0; r < parseRows().size(); ++r) {
    for (const auto& [peer, parse] : textParsers) {
      if (!reads(peer, r)) continue;
      benchmark::RegisterBenchmark(
          (std::string("parse/") + parseRowNames[r] + "/" + peer).c_str(),
          [parse = parse, r](benchmark::State& state) {
            const ParseRow& row = parseRows()[r];
            cycle(state, row.texts,
                  [&row, parse](const std::string& text) { return parse(text, row); });
          });
    }
  }
  for (const bool normdate : {true, false}) {
    benchmark::RegisterBenchmark(normdate ? "parse/long/normdate" : "parse/long/strptime",
                                 parseLong, normdate)
        ->Arg(1 << 10)
        ->Arg(1 << 16)
        ->Arg(1 << 20);
  }
  for (const bool tokens : {true, false}) {
    for (const auto& [writer, label] :
         {std::pair(FormatWriter::Returned, "normdate"), std::pair(FormatWriter::Into, "into"),
          std::pair(FormatWriter::Strftime, "strftime")}) {
      const std::string name =
          std::string("format/length/") + (tokens ? "tokens/" : "plain/") + label;
      auto* b = benchmark::RegisterBenchmark(name.c_str(), formatLength, writer, tokens);
      for (const std::size_t bytes : kFormatLengths) b->Arg(static_cast<std::int64_t>(bytes));
    }
  }
  for (const IsoParseRow& row : isoParseRows) {
    for (const auto& [peer, parse] : row.parsers) {
      if (parse == nullptr) continue;
      benchmark::RegisterBenchmark(
          (std::string(row.name) + "/" + peer).c_str(),
          [parse = parse, fraction = row.fraction](benchmark::State& state) {
            cycle(state, isoTexts(fraction), parse);
          });
    }
  }
  for (const auto& [peer, write] : timestampWriters) {
    benchmark::RegisterBenchmark(
        (std::string("timestamp/iso_format/") + peer).c_str(),
        [write = write](benchmark::State& state) { cycle(state, milliInstants(), write); });
  }
}

}  // namespace bench
