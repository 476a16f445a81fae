// Who may change the Windows service's data folder and configuration: the
// decisions on access lists as Windows reports them, without Windows.
#include "server/service_rights.h"

#include <gtest/gtest.h>

using namespace service;

namespace {

constexpr const char* kUser = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kEveryone = "S-1-1-0";
constexpr uint32_t kFull = 0x1F01FF;
constexpr uint32_t kReadOnly = Right::kRead;
constexpr uint32_t kAddFiles = Right::kRead | Right::kWriteData | Right::kAppendData;

const std::string& Service() {
  static const std::string sid = ServiceSid("fiscal-server");
  return sid;
}

Ace Allow(const std::string& sid, uint32_t mask, bool inheritOnly = false) {
  return Ace{Ace::Type::kAllow, sid, mask, inheritOnly};
}

// The folder as install leaves it (FolderDescriptor).
ObjectSecurity SetFolder() {
  return ObjectSecurity{kAdministratorsSid,
                        true,
                        true,
                        {Allow(kSystemSid, kFull), Allow(kAdministratorsSid, kFull),
                         Allow(Service(), kAddFiles), Allow(kCreatorOwnerSid, kFull, true)}};
}

// The configuration as install leaves it (ConfigDescriptor).
ObjectSecurity SetConfig() {
  return ObjectSecurity{
      kAdministratorsSid,
      true,
      true,
      {Allow(kSystemSid, kFull), Allow(kAdministratorsSid, kFull), Allow(Service(), kReadOnly)}};
}

TEST(ServiceRights, TheServiceAccountsSidIsTheSystemsOwn) {
  // Windows' own TrustedInstaller service: NT SERVICE\TrustedInstaller.
  EXPECT_EQ(ServiceSid("TrustedInstaller"),
            "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464");
  EXPECT_EQ(ServiceSid("trustedinstaller"), ServiceSid("TrustedInstaller"));  // any case
  EXPECT_EQ(Service().rfind("S-1-5-80-", 0), 0u);
  EXPECT_NE(Service(), ServiceSid("fiscal-server2"));
}

TEST(ServiceRights, TheServiceStartsOnlyOnAConfigurationNobodyElseMayChange) {
  const struct {
    const char* what;
    void (*change)(ObjectSecurity& file, ObjectSecurity& folder);
    const char* named;  // in the reason; nullptr: safe
  } kCases[] = {
      {"as install set it", [](ObjectSecurity&, ObjectSecurity&) {}, nullptr},
      {"a deny entry is no risk",
       [](ObjectSecurity& f, ObjectSecurity&) {
         f.aces.push_back(Ace{Ace::Type::kDeny, kEveryone, kFull, false});
       },
       nullptr},
      {"an entry for what a file holds does not apply to it",
       [](ObjectSecurity& f, ObjectSecurity&) { f.aces.push_back(Allow(kUsers, kFull, true)); },
       nullptr},
      {"users may read it",
       [](ObjectSecurity& f, ObjectSecurity&) { f.aces.push_back(Allow(kUsers, kReadOnly)); },
       nullptr},
      {"users may write it",
       [](ObjectSecurity& f, ObjectSecurity&) {
         f.aces.push_back(Allow(kUsers, Right::kWriteData));
       },
       "Users"},
      {"users may append to it",
       [](ObjectSecurity& f, ObjectSecurity&) {
         f.aces.push_back(Allow(kUsers, Right::kAppendData));
       },
       "Users"},
      {"a user may change its access list",
       [](ObjectSecurity& f, ObjectSecurity&) { f.aces.push_back(Allow(kUser, Right::kWriteDac)); },
       kUser},
      {"generic write for everyone",
       [](ObjectSecurity& f, ObjectSecurity&) {
         f.aces.push_back(Allow(kEveryone, Right::kGenericWrite));
       },
       "Everyone"},
      {"the service may write its own configuration",
       [](ObjectSecurity& f, ObjectSecurity&) {
         f.aces.push_back(Allow(Service(), Right::kWriteData));
       },
       Service().c_str()},
      {"a user owns it", [](ObjectSecurity& f, ObjectSecurity&) { f.owner = kUser; },
       "(its owner)"},
      {"no access list", [](ObjectSecurity& f, ObjectSecurity&) { f.hasDacl = false; }, "Everyone"},
      {"the owner unknown", [](ObjectSecurity& f, ObjectSecurity&) { f.owner.clear(); },
       "unknown owner"},
      {"users may delete what the folder holds",
       [](ObjectSecurity&, ObjectSecurity& d) {
         d.aces.push_back(Allow(kUsers, Right::kDeleteChild));
       },
       "replace it"},
      {"a user owns the folder", [](ObjectSecurity&, ObjectSecurity& d) { d.owner = kUser; },
       "(its owner)"},
      {"users may add files to the folder",
       [](ObjectSecurity&, ObjectSecurity& d) {
         d.aces.push_back(Allow(kUsers, Right::kWriteData));
       },
       "add files"},
      {"the service may remove files from the folder",
       [](ObjectSecurity&, ObjectSecurity& d) {
         d.aces.push_back(Allow(Service(), Right::kDeleteChild));
       },
       "replace it"},
  };
  for (const auto& c : kCases) {
    ObjectSecurity file = SetConfig(), folder = SetFolder();
    c.change(file, folder);
    std::string why;
    const bool safe = ConfigurationIsSafe(file, folder, Service(), why);
    EXPECT_EQ(safe, c.named == nullptr) << c.what << ": " << why;
    if (c.named) {
      EXPECT_NE(why.find(c.named), std::string::npos) << c.what << ": " << why;
    }
  }
}

// A folder someone created before the install, as Windows gives it to them:
// owned by them, inheriting %ProgramData%'s list (users may add files).
TEST(ServiceRights, AFolderCreatedBeforeTheInstallIsNotTakenAsItIs) {
  ObjectSecurity precreated{kUser,
                            true,
                            false,
                            {Allow(kSystemSid, kFull), Allow(kAdministratorsSid, kFull),
                             Allow(kUsers, kAddFiles), Allow(kCreatorOwnerSid, kFull, true)}};
  std::string why;
  EXPECT_FALSE(FolderIsSafe(precreated, Service(), why));
  EXPECT_NE(why.find(kUser), std::string::npos) << why;
  EXPECT_TRUE(FolderIsSafe(SetFolder(), Service(), why)) << why;
  ObjectSecurity inheriting = SetFolder();
  inheriting.daclProtected = false;
  EXPECT_FALSE(FolderIsSafe(inheriting, Service(), why));
  EXPECT_NE(why.find("inherits"), std::string::npos) << why;
}

TEST(ServiceRights, InstallTakesOverAnExistingFolderButNotALinkOrAFile) {
  const struct {
    FolderFacts facts;
    FolderStep step;
  } kCases[] = {
      {{false, false, false}, FolderStep::kCreate}, {{true, true, false}, FolderStep::kTakeOver},
      {{true, true, true}, FolderStep::kRefuse},    {{true, false, true}, FolderStep::kRefuse},
      {{true, false, false}, FolderStep::kRefuse},
  };
  for (const auto& c : kCases) {
    std::string why;
    EXPECT_EQ(PlanFolder(c.facts, why), c.step);
    EXPECT_EQ(why.empty(), c.step != FolderStep::kRefuse) << why;
  }
}

TEST(ServiceRights, TheDescriptorsInstallSets) {
  const std::string sid = Service();
  EXPECT_EQ(FolderDescriptor(sid),
            "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200af;;;" + sid + ")(A;OICIIO;FA;;;CO)");
  EXPECT_EQ(ConfigDescriptor(sid), "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;" + sid + ")");
  EXPECT_EQ(DataFileDescriptor(sid), "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;" + sid + ")");
}

}  // namespace
