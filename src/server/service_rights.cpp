#include "server/service_rights.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace service {

namespace {

constexpr const char* kServiceSidPrefix = "S-1-5-80";
constexpr const char* kEveryoneSid = "S-1-1-0";

struct KnownSid {
  const char* sid;
  const char* name;
};
constexpr KnownSid kKnownSids[] = {
    {kEveryoneSid, "Everyone"},   {"S-1-5-11", "Authenticated Users"}, {"S-1-5-32-545", "Users"},
    {"S-1-5-32-546", "Guests"},   {"S-1-5-32-547", "Power Users"},     {"S-1-5-4", "Interactive"},
    {"S-1-5-19", "LocalService"}, {"S-1-5-20", "NetworkService"},
};

// Full control of a service on the files it creates, modify of data files.
constexpr uint32_t kModify = 0x1301BF;

// SHA-1 (FIPS 180-4): the service SID is made from it.
std::array<uint8_t, 20> Sha1(const std::string& data) {
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string m = data;
  const uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
  m += static_cast<char>(0x80);
  while (m.size() % 64 != 56) m += '\0';
  for (int i = 7; i >= 0; --i) m += static_cast<char>((bits >> (i * 8)) & 0xFF);
  const auto rotl = [](uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
  for (size_t block = 0; block < m.size(); block += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      w[i] = 0;
      for (int b = 0; b < 4; ++b)
        w[i] = (w[i] << 8) | static_cast<uint8_t>(m[block + static_cast<size_t>(i * 4 + b)]);
    }
    for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
      }
      const uint32_t t = rotl(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = rotl(b, 30);
      b = a;
      a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  std::array<uint8_t, 20> out{};
  for (int i = 0; i < 20; ++i)
    out[static_cast<size_t>(i)] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return out;
}

std::string NameOf(const std::string& sid) {
  for (const auto& k : kKnownSids)
    if (sid == k.sid) return k.name;
  return sid;
}

bool Trusted(const std::string& sid, const std::vector<std::string>& trusted) {
  return std::find(trusted.begin(), trusted.end(), sid) != trusted.end();
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

}  // namespace

std::string ServiceSid(const std::string& name) {
  std::string utf16;
  for (char c : name) {
    utf16 += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    utf16 += '\0';
  }
  const auto digest = Sha1(utf16);
  std::string sid = kServiceSidPrefix;
  for (size_t i = 0; i < digest.size(); i += 4) {
    const uint32_t part =
        static_cast<uint32_t>(digest[i]) | static_cast<uint32_t>(digest[i + 1]) << 8 |
        static_cast<uint32_t>(digest[i + 2]) << 16 | static_cast<uint32_t>(digest[i + 3]) << 24;
    sid += "-" + std::to_string(part);
  }
  return sid;
}

std::vector<std::string> OthersWhoMay(const ObjectSecurity& object, uint32_t rights,
                                      const std::vector<std::string>& trusted) {
  std::vector<std::string> out;
  const auto add = [&out](const std::string& who) {
    const std::string name = NameOf(who);
    if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  };
  if (!object.hasDacl) add(kEveryoneSid);
  if (object.owner.empty() || !Trusted(object.owner, trusted))
    add(object.owner.empty() ? "an unknown owner" : object.owner + " (its owner)");
  for (const Ace& ace : object.aces) {
    if (ace.type != Ace::Type::kAllow || ace.inheritOnly || (ace.mask & rights) == 0) continue;
    if (!Trusted(ace.sid, trusted)) add(ace.sid);
  }
  return out;
}

bool ConfigurationIsSafe(const ObjectSecurity& file, const ObjectSecurity& folder,
                         const std::string& serviceSid, std::string& why) {
  const std::vector<std::string> admins = {kSystemSid, kAdministratorsSid};
  const auto writers = OthersWhoMay(file, Right::kChangeFile, admins);
  if (!writers.empty()) {
    why = "the configuration can be changed by " + Joined(writers);
    return false;
  }
  // The service adds its files to the folder, but may not remove or replace one.
  std::vector<std::string> folderTrusted = admins;
  const auto replacers = OthersWhoMay(folder, Right::kReplaceInFolder, folderTrusted);
  if (!replacers.empty()) {
    why = "the configuration's folder lets " + Joined(replacers) + " replace it";
    return false;
  }
  folderTrusted.push_back(serviceSid);
  const auto adders = OthersWhoMay(folder, Right::kWriteData | Right::kAppendData, folderTrusted);
  if (!adders.empty()) {
    why = "the configuration's folder lets " + Joined(adders) + " add files to it";
    return false;
  }
  return true;
}

bool FolderIsSafe(const ObjectSecurity& folder, const std::string& serviceSid, std::string& why) {
  ObjectSecurity none;  // a file nobody else may change
  none.owner = kAdministratorsSid;
  if (!ConfigurationIsSafe(none, folder, serviceSid, why)) return false;
  if (!folder.daclProtected) {
    why = "the folder inherits the access of the folder it is in";
    return false;
  }
  return true;
}

FolderStep PlanFolder(const FolderFacts& facts, std::string& why) {
  if (!facts.exists) return FolderStep::kCreate;
  if (facts.reparsePoint) {
    why =
        "it is a link to another place (a symbolic link or junction); remove it and install "
        "again";
    return FolderStep::kRefuse;
  }
  if (!facts.directory) {
    why = "it is a file, not a folder; remove it and install again";
    return FolderStep::kRefuse;
  }
  return FolderStep::kTakeOver;
}

std::string FolderDescriptor(const std::string& serviceSid) {
  char read[16];
  std::snprintf(read, sizeof read, "0x%x", Right::kRead | Right::kWriteData | Right::kAppendData);
  return "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;" + std::string(read) + ";;;" + serviceSid +
         ")(A;OICIIO;FA;;;CO)";
}

std::string ConfigDescriptor(const std::string& serviceSid) {
  char read[16];
  std::snprintf(read, sizeof read, "0x%x", Right::kRead);
  return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;" + std::string(read) + ";;;" + serviceSid + ")";
}

std::string DataFileDescriptor(const std::string& serviceSid) {
  char modify[16];
  std::snprintf(modify, sizeof modify, "0x%x", kModify);
  return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;" + std::string(modify) + ";;;" + serviceSid + ")";
}

}  // namespace service
