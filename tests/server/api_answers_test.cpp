// The request log's "ok" is the answer's own: ApiResponse::ok and the body's
// "ok" never differ, whatever made the answer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "server/api.h"

using nlohmann::json;

namespace {

TEST(ApiAnswers, TheLogsOkIsTheBodysOk) {
  Api api(ServerConfig{});
  struct Row {
    const char* method;
    const char* path;
    bool ok;
  };
  const Row rows[] = {
      {"GET", "/printers/taskinfo?id=T-1", true},  // an unknown task, answered
      {"GET", "/printers/taskinfo", false},        // no id
      {"GET", "/printers/nosuch/status", false},
      {"POST", "/printers/taskinfo?id=T-1", false},
      {"GET", "/elsewhere", false},
  };
  for (const Row& row : rows) {
    const ApiResponse out = api.Handle(row.method, row.path, "", "");
    const json body = json::parse(out.body);
    EXPECT_EQ(body["ok"], row.ok) << row.method << " " << row.path;
    EXPECT_EQ(out.ok, row.ok) << row.method << " " << row.path;
  }
  // The printers table has no "ok" of its own: it was made.
  EXPECT_TRUE(api.Handle("GET", "/printers", "", "").ok);
}

}  // namespace
