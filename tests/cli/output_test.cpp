#include "cli/output.h"

#include <gtest/gtest.h>

#include "driver/records.h"

namespace {

TEST(CliOutput, JsonRecordHasMethodOkResultAndOutParameters) {
  StatusFlags flags{};
  flags[3] = true;
  std::vector<OutValue> bits;
  for (bool f : flags) bits.push_back(OutValue::Flag(f));
  const std::vector<OutField> fields = {
      {"flags", OutValue::List(bits)},
      {"record", OutValue::Record({{"number", OutValue::Integer(1)},
                                   {"name", OutValue::Text("\xC8\xE2\xE0\xED")},  // Иван
                                   {"price", OutValue::Number(1.2)}})},
  };
  const std::string json = FormatJson("ReadStatus", "\x80\x80", fields);
  EXPECT_EQ(json.find('\n'), std::string::npos);
  EXPECT_EQ(json.rfind("{\"method\":\"ReadStatus\",\"ok\":true,\"result\":", 0), 0u) << json;
  EXPECT_NE(json.find("\"flags\":[false,false,false,true,false"), std::string::npos) << json;
  EXPECT_NE(json.find("\"record\":{\"number\":1,\"name\":\"Иван\",\"price\":1.2}"),
            std::string::npos)
      << json;

  EXPECT_EQ(FormatJson("SellItem", "", {}),
            "{\"method\":\"SellItem\",\"ok\":false,\"result\":\"\"}");
}

TEST(CliOutput, JsonStringsAreEscaped) {
  EXPECT_EQ(JsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
  EXPECT_EQ(JsonNumber(0.1), "0.1");
  EXPECT_EQ(JsonNumber(-25), "-25");
  EXPECT_EQ(JsonNumber(1.0 / 0.0), "null");
}

TEST(CliOutput, ReadableLine) {
  StatusFlags flags{};
  flags[3] = flags[23] = true;
  std::vector<OutValue> bits;
  for (bool f : flags) bits.push_back(OutValue::Flag(f));
  // The status bytes are shown in hexadecimal, not as text.
  EXPECT_EQ(FormatReadable("ReadStatus", "\x80\x80\x88\xA0", {{"flags", OutValue::List(bits)}}),
            "ReadStatus result=\"80 80 88 A0\" flags=set:[3,23]");
  EXPECT_EQ(FormatReadable("ReadOperator", "OK",
                           {{"record", OutValue::Record({{"number", OutValue::Integer(2)},
                                                         {"name", OutValue::Text("A \"B\"")}})}}),
            "ReadOperator result=\"OK\" record={number=2, name=\"A \\\"B\\\"\"}");
  EXPECT_EQ(FormatReadable("Payment", "", {}), "Payment failed");
  EXPECT_EQ(QuoteLine("two\nlines"), "two\\nlines");
}

}  // namespace
