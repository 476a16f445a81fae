// A raw command's answer: "ok" is how the exchange ended on the line, whatever
// the length of the reply's text.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "driver/commands.h"
#include "server/api.h"
#include "support/fake_device.h"

using nlohmann::json;

namespace {

constexpr uint8_t kRawCommand = 0x5A;

json RawOn(FakeDevice& device, const FakeDevice::Reply& reply) {
  device.Queue(Cmd::kReadFactoryNumbers, FakeDevice::Reply::Data("NV123456;50654321"));
  device.Queue(kRawCommand, reply);
  ServerConfig config;
  config.printers.push_back(ServedPrinter{"1", 202, device.Path(), 9600});
  config.allowRaw = true;
  config.retries = 0;
  Api api(config);
  LinkTimeouts fast;
  fast.checkLink = 300;
  fast.linkSeries = 400;
  fast.reply = 400;
  api.SetTimeoutsForTesting(fast);
  return json::parse(
      api.Handle("POST", "/printers/1/rawrequest", R"({"command":"0x5A"})", "").body);
}

TEST(RawRequest, OkFollowsHowTheExchangeEnded) {
  struct Row {
    const char* what;
    FakeDevice::Reply reply;
    bool ok;
    const char* response;  // rawResponse when ok
  };
  const Row rows[] = {
      {"data", FakeDevice::Reply::Data("A;1"), true, "A;1"},
      // A data reply without data is the printer's whole answer, not a failure.
      {"empty data", FakeDevice::Reply::Data(""), true, ""},
      {"ack without error", FakeDevice::Reply::Ack("00"), true, "00"},
      {"refused", FakeDevice::Reply::Ack("01"), false, nullptr},
      {"corrupted", FakeDevice::Reply::Data("A;1").WithChecksum("00"), false, nullptr},
  };
  for (const Row& row : rows) {
    FakeDevice device;
    const json body = RawOn(device, row.reply);
    EXPECT_EQ(body["ok"], row.ok) << row.what << ": " << body.dump();
    if (row.ok) {
      EXPECT_EQ(body["rawResponse"], row.response) << row.what;
    } else {
      EXPECT_FALSE(body.contains("rawResponse")) << row.what;
      EXPECT_FALSE(body["messages"].empty()) << row.what;
    }
  }
}

}  // namespace
