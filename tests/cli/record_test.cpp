// Recording a session: every byte in order with its time, beside the trace;
// the file format read back, and damaged lines refused by number.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli_run.h"
#include "driver/commands.h"
#include "link/frame.h"
#include "link/line_recording.h"
#include "support/fake_device.h"

namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          (name + "-" + std::to_string(::getpid()) + ".rec"))
      .string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Record, EveryByteOfTheSessionInOrderBesideTheTrace) {
  FakeDevice device;
  const std::string path = TempPath("record-status");
  const CliRun r = RunTool(
      {"--device", device.Path(), "--port", "3", "--trace", "--record", path, "read-status"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(r.ErrLines("").empty());  // the trace still runs

  const std::string text = ReadAll(path);
  std::filesystem::remove(path);
  EXPECT_EQ(text.rfind("# fiscal-service line recording 1\n", 0), 0u);
  std::vector<RecordedChunk> chunks;
  std::string error;
  ASSERT_TRUE(ParseRecording(text, chunks, error)) << error;
  ASSERT_GE(chunks.size(), 4u);

  std::string sent, received;
  int64_t last = 0;
  for (const auto& c : chunks) {
    EXPECT_EQ(c.port, 3);
    EXPECT_GE(c.ms, last);
    last = c.ms;
    (c.sent ? sent : received) += c.bytes;
  }
  EXPECT_EQ(chunks[0].sent, true);
  EXPECT_EQ(chunks[0].bytes, "\x04");
  // What went out is what the device received, and the status frame is in it.
  EXPECT_EQ(sent, device.RawReceived());
  EXPECT_NE(sent.find(Frame::BuildCommand(0x20, Cmd::kStatus, "")), std::string::npos);
  // The data reply, read in its three parts, follows the echoes.
  const size_t stx = received.find('\x02');
  ASSERT_NE(stx, std::string::npos);
  ASSERT_GT(received.size(), stx + 4);
  EXPECT_EQ(static_cast<uint8_t>(received[stx + 3]), Cmd::kStatus);
  EXPECT_EQ(received.size() - stx, static_cast<size_t>(received[stx + 1]) - 0x1E + 2);
}

TEST(Record, AFileThatCannotBeCreatedIsAUsageErrorAndNothingIsSent) {
  FakeDevice device;
  const CliRun r =
      RunTool({"--device", device.Path(), "--record", "/nonexistent/dir/x.rec", "read-status"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--record: cannot create"), std::string::npos) << r.err;
  EXPECT_EQ(device.ProbeCount(), 0);
}

TEST(Record, FormatReadsBackAndDamagedLinesAreNamed) {
  const RecordedChunk c{1234, 7, true, std::string("\x02\x00\xff", 3)};
  EXPECT_EQ(FormatRecordedChunk(c), "1234 7 > 02 00 ff");
  std::vector<RecordedChunk> chunks;
  std::string error;
  ASSERT_TRUE(ParseRecording("# comment\n\n1234 7 > 02 00 FF\r\n1300 7 < 06\n", chunks, error));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].bytes, c.bytes);
  EXPECT_FALSE(chunks[1].sent);

  const struct {
    const char* line;
    const char* why;
  } kBad[] = {
      {"12 3 >", "no bytes"},      {"x 3 > 04", "bad time"},       {"12 256 > 04", "bad port"},
      {"12 3 = 04", "expected >"}, {"12 3 > 4", "bad byte \"4\""}, {"12 3 > 0g", "bad byte"},
      {"12", "expected TIME"},
  };
  for (const auto& b : kBad) {
    std::vector<RecordedChunk> out{c};
    EXPECT_FALSE(ParseRecording(std::string("1 1 > 04\n") + b.line + "\n", out, error)) << b.line;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    EXPECT_NE(error.find(b.why), std::string::npos) << b.line << ": " << error;
    EXPECT_EQ(out.size(), 1u);  // left as it was
  }
}

}  // namespace
