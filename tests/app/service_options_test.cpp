#include "app/service_options.h"

#include <gtest/gtest.h>

#include "app/paper_window.h"

namespace {

TEST(ServiceOptionsTest, GoodCommandLines) {
  ServiceOptions o;
  std::string error;
  ASSERT_TRUE(ParseServiceOptions({"--com", "1=/dev/pts/4", "--com=3=/dev/ttyUSB0"}, o, error))
      << error;
  EXPECT_EQ(o.portMappings, (std::vector<std::string>{"1=/dev/pts/4", "3=/dev/ttyUSB0"}));
  EXPECT_FALSE(o.simulator);

  ASSERT_TRUE(ParseServiceOptions({"--simulator", "--paper", "/tmp/roll.txt"}, o, error));
  EXPECT_TRUE(o.simulator);
  EXPECT_EQ(o.paperFile, "/tmp/roll.txt");
  EXPECT_TRUE(o.portMappings.empty());  // a fresh parse starts empty

  ASSERT_TRUE(ParseServiceOptions({"--record", "a.rec", "--com", "1=/dev/pts/4"}, o, error));
  EXPECT_EQ(o.recordFile, "a.rec");
  ASSERT_TRUE(ParseServiceOptions({"--record=b.rec"}, o, error));
  EXPECT_EQ(o.recordFile, "b.rec");

  ASSERT_TRUE(ParseServiceOptions({"-h"}, o, error));
  EXPECT_TRUE(o.help);
  ASSERT_TRUE(ParseServiceOptions({}, o, error));
}

TEST(ServiceOptionsTest, BadCommandLinesSayWhy) {
  const std::vector<std::vector<std::string>> bad = {
      {"--com"},        {"--com", "3"},   {"--com", "=/dev/x"},
      {"--com", "3="},  {"--paper", "x"}, {"--simulator", "--paper"},
      {"--frobnicate"}, {"extra"},        {"--record"},
      {"--record="},
  };
  for (const auto& args : bad) {
    ServiceOptions o;
    std::string error;
    EXPECT_FALSE(ParseServiceOptions(args, o, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(PaperTextTest, IncompleteUtf8SequencesWaitForTheirRest) {
  std::string partial;
  const std::string bon = "Бон";  // two bytes a letter
  EXPECT_EQ(TakeCompleteUtf8(partial, bon.substr(0, 3)), bon.substr(0, 2));
  EXPECT_EQ(partial, bon.substr(2, 1));
  EXPECT_EQ(TakeCompleteUtf8(partial, bon.substr(3)), bon.substr(2));
  EXPECT_TRUE(partial.empty());
  const std::string euro = "\xE2\x82\xAC";  // three bytes
  EXPECT_EQ(TakeCompleteUtf8(partial, "a" + euro.substr(0, 2)), "a");
  EXPECT_EQ(TakeCompleteUtf8(partial, euro.substr(2) + "\n"), euro + "\n");
  EXPECT_EQ(TakeCompleteUtf8(partial, "plain"), "plain");
  EXPECT_EQ(TakeCompleteUtf8(partial, ""), "");
}

}  // namespace
