// Every reply a host decodes by position: its length and where its fields and
// separators sit, on a device with some turnover so that no field is blank.
#include "sim_fixture.h"

namespace {
class LayoutTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    OpenReceipt();
    ASSERT_EQ(Code(0x32, " 00002*000003.000,-10.00%"), "00");
    ASSERT_EQ(Code(0x35, "0;0;0000010.00;0;"), "00");
    ASSERT_EQ(Code(0x38), "00");
    ASSERT_EQ(Code(0x3B, "1;1;1;0000012.00"), "00");
    ASSERT_EQ(Code(0x3B, "1;1;1;-000002.00"), "00");
  }
};

// Positions of ';' in a reply (0-based).
std::vector<size_t> Separators(const std::string& s) {
  std::vector<size_t> out;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == ';') out.push_back(i);
  return out;
}

TEST_F(LayoutTest, SeparatorsSitBetweenTheFields) {
  using V = std::vector<size_t>;
  struct Case {
    uint8_t cmd;
    const char* data;
    size_t length;
    V separators;
  };
  const V amounts5 = {1, 13, 25, 37, 49};       // "k;" then five 11-character amounts
  const V amounts5op = {1, 3, 15, 27, 39, 51};  // "k;n;" then five amounts
  const Case cases[] = {
      {0x6D, "", 95, {11, 23, 35, 47, 59, 71, 83}},
      {0x6E, "0", 61, amounts5},
      {0x6E, "1", 61, {1, 7, 13, 25, 31, 43, 49}},
      {0x6E, "2", 67, {1, 13, 25, 37, 49, 61}},
      {0x6E, "3", 67, {1, 13, 25, 37, 49, 61}},
      {0x6E, "5", 36, {1, 7, 13, 19}},
      {0x6F, "1;1", 63, {1, 3, 9, 15, 27, 33, 45, 51}},
      {0x6F, "2;1", 69, {1, 3, 15, 27, 39, 51, 63}},
      {0x6F, "3;1", 69, {1, 3, 15, 27, 39, 51, 63}},
      {0x6F, "4;1", 63, amounts5op},
      {0x6F, "5;1", 26, {1, 3, 9}},
      {0x6F, "6;1", 63, amounts5op},
      {0x72, "", 129, {1, 5, 17, 29, 41, 43, 45, 47, 49, 51, 53, 55, 67, 69, 81, 93, 105, 117}},
      {0x73, "", 20, {10, 15}},
      {0x60, "", 17, {8}},
      {0x61, "", 14, {}},
      {0x62, "", 55, {6, 13, 20, 27, 34, 41, 48}},
      {0x64, "", 65, {10, 21, 32, 43, 54}},
      {0x65, "", 16, {4, 6, 8, 10, 12, 14}},
      {0x67, "01", 49, {2, 23, 25, 37}},
      {0x6A, "1", 27, {1, 22}},
      {0x6B, "00002", 89, {5, 26, 38, 40, 52, 64, 70, 87}},
      {0x70, "", 21, {10}},
      {0x71, "", 4, {}},
  };
  for (const Case& c : cases) {
    const std::string r = Data(c.cmd, c.data);
    EXPECT_EQ(r.size(), c.length) << int(c.cmd) << " " << c.data << ": " << r;
    EXPECT_EQ(Separators(r), c.separators) << int(c.cmd) << " " << c.data << ": " << r;
  }
}

TEST_F(LayoutTest, FieldValuesAtTheirPositions) {
  // Article 2 (Мляко 2.49) x3 less 10 %: 7.47 - 0.75 = 6.72 in group Б.
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6D), 12, 22), 6.72);
  const std::string pay = Data(0x6E, "0");
  EXPECT_DOUBLE_EQ(FieldDouble(pay, 2, 12), 6.72);
  const std::string in = Data(0x6E, "2");
  EXPECT_DOUBLE_EQ(FieldDouble(in, 14, 24), 12.0);
  EXPECT_EQ(FieldInt(in, 62, 66), 1);
  const std::string out = Data(0x6E, "3");
  EXPECT_DOUBLE_EQ(FieldDouble(out, 14, 24), 2.0);
  const std::string opPay = Data(0x6F, "4;1");
  EXPECT_EQ(FieldInt(opPay, 2, 2), 1);
  EXPECT_DOUBLE_EQ(FieldDouble(opPay, 4, 14), 6.72);
  const std::string opOut = Data(0x6F, "3;1");
  EXPECT_DOUBLE_EQ(FieldDouble(opOut, 16, 26), 2.0);
  EXPECT_EQ(FieldInt(opOut, 64, 68), 1);
  const std::string opTotals = Data(0x6F, "1;1");
  EXPECT_EQ(FieldInt(opTotals, 4, 8), 1);
  EXPECT_EQ(FieldInt(opTotals, 10, 14), 1);
  EXPECT_DOUBLE_EQ(FieldDouble(opTotals, 16, 26), 0.75);
  const std::string info = Data(0x6E, "5");
  EXPECT_EQ(info.substr(20, 16).size(), 16u);
  EXPECT_EQ(info[22], '-');
  EXPECT_EQ(info[25], '-');
  EXPECT_EQ(info[30], ' ');
  EXPECT_EQ(info[33], ':');
  const std::string dept = Data(0x67, "01");
  EXPECT_DOUBLE_EQ(std::atof(RemoveChar(dept.substr(26, 11), ' ', 0).c_str()), 6.72);
  EXPECT_DOUBLE_EQ(std::atof(RemoveChar(dept.substr(38, 11), ' ', 0).c_str()), 3.0);
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6B, "00002"), 53, 63), 3.0);
  EXPECT_EQ(FieldInt(Data(0x74), 0, 9), 1996);
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6F, "6;1"), 4, 14), 3.28);  // change given
}

TEST_F(LayoutTest, UnknownOptionsAndOperatorsAreRefused) {
  EXPECT_EQ(Code(0x6E, "4"), "04");
  EXPECT_EQ(Code(0x6E, ""), "04");
  EXPECT_EQ(Code(0x6F, "1;0"), "04");
  EXPECT_EQ(Code(0x6F, "7;1"), "04");
  EXPECT_EQ(Code(0x6F, "1"), "04");
  EXPECT_EQ(Code(0x6A, "0"), "04");
  EXPECT_EQ(Code(0x67, "00"), "04");
}
}  // namespace
