#include "http/RequestHeaders.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace headerFlag;

std::string dump(const RequestHeaders& headers) {
  std::string out;
  for (const Header& h : headers.all()) out += h.name + "=" + h.value + "|";
  return out;
}

struct HeaderCase {
  const char* name;
  const char* block;
  std::uint32_t flags;
  bool result;
  const char* after;
};

// Each case starts from the headers "Accept: a" and "X-Two: 1", "X-Two: 2".
TEST(RequestHeadersTest, FlagRules) {
  const HeaderCase cases[] = {
      {"replace keeps position", "accept:b", add | replace, true, "Accept=b|X-Two=1|X-Two=2|"},
      {"replace drops duplicates", "X-Two:3", replace, true, "Accept=a|X-Two=3|"},
      {"replace with empty value removes all", "x-two:", replace, true, "Accept=a|"},
      {"replace of a missing header fails", "X-New:1", replace, false, "Accept=a|X-Two=1|X-Two=2|"},
      {"add and replace adds a missing header", "X-New:1", add | replace, true,
       "Accept=a|X-Two=1|X-Two=2|X-New=1|"},
      {"add and replace with empty value of a missing header", "X-New:", add | replace, true,
       "Accept=a|X-Two=1|X-Two=2|"},
      {"add if new keeps an existing header", "Accept:*/*\r\nCache-Control:no-cache", addIfNew, false,
       "Accept=a|X-Two=1|X-Two=2|Cache-Control=no-cache|"},
      {"add appends another line", "Accept:c", add, true, "Accept=a|X-Two=1|X-Two=2|Accept=c|"},
      {"coalesce with comma", "Accept:c", coalesceWithComma, true, "Accept=a, c|X-Two=1|X-Two=2|"},
      {"coalesce with semicolon", "Accept:c", coalesceWithSemicolon, true, "Accept=a; c|X-Two=1|X-Two=2|"},
      {"blank after colon is not part of the value", "X-New:   v  ", add, true,
       "Accept=a|X-Two=1|X-Two=2|X-New=v|"},
      {"line without colon fails, others apply", "bogus\r\nX-New:1", add, false,
       "Accept=a|X-Two=1|X-Two=2|X-New=1|"},
      {"malformed name fails", "Bad Name:1\nX:1", add, false, "Accept=a|X-Two=1|X-Two=2|X=1|"},
      {"bare LF and CR split lines too", "A:1\nB:2\rC:3", add, true, "Accept=a|X-Two=1|X-Two=2|A=1|B=2|C=3|"},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    RequestHeaders headers;
    headers.apply("Accept:a\r\nX-Two:1\r\nX-Two:2", add);
    EXPECT_EQ(headers.apply(c.block, c.flags), c.result);
    EXPECT_EQ(dump(headers), c.after);
  }
}

}  // namespace
}  // namespace velmora
