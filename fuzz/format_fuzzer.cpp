// Any format string into toString, checked against properties that hold for
// every format and, for short formats, against a plain reference; written
// into a given string, the same text.

#include <fuzzer/FuzzedDataProvider.h>
#include <normdate/date.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "check.h"
#include "reference_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Date::Date d(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                     in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                     in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
  const std::string format = in.ConsumeRemainingBytesAsString();
  const std::string text = d.toString(format);

  // A normalised date's fields are never longer than their tokens.
  FUZZ_CHECK(text.size() <= format.size(), text.size() << " > " << format.size());
  if (format.find_first_of("YMDhms") == std::string::npos) {
    FUZZ_CHECK(text == format, "a format without token letters changed");
  }
  if (format.size() <= 1024) {
    FUZZ_CHECK(text == reference::format(d, format), '"' << text << "\" for " << d);
  }
  // Written into a string that held other text, or that holds the format.
  std::string into = "YYYY" + text;
  d.toString(format, into);
  FUZZ_CHECK(into == text, '"' << into << "\" written into a string");
  std::string self = format;
  d.toString(self, self);
  FUZZ_CHECK(self == text, '"' << self << "\" written over its own format");
  std::ostringstream out;
  out << d;
  FUZZ_CHECK(out.str() == d.toString("YYYY-MMM-DD hh:mm:ss"), out.str());
  return 0;
}
