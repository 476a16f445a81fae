#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Who may change the Windows service's data folder and its configuration,
// decided without Windows: the Win32 layer (windows_service_win32.cpp) reads
// a file's owner and access list into an ObjectSecurity and writes the
// descriptors made here; everything that decides is here and tested anywhere.
//
// The folder %ProgramData%\fiscal-service holds the configuration (with the
// token, and the paths of the log and the journal, which the service writes
// to) and the service's own files. Only the system and the administrators may
// change the configuration; the service's account may read it, and may add
// its log and journal to the folder (and change what it added), nothing else.
namespace service {

// Well-known security identifiers.
constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kCreatorOwnerSid = "S-1-3-0";

// Access rights of files and folders (winnt.h's values: this file needs no
// Windows header).
namespace Right {
constexpr uint32_t kReadData = 0x1;    // a folder: list it
constexpr uint32_t kWriteData = 0x2;   // a folder: add a file
constexpr uint32_t kAppendData = 0x4;  // a folder: add a folder
constexpr uint32_t kReadEa = 0x8;
constexpr uint32_t kWriteEa = 0x10;
constexpr uint32_t kExecute = 0x20;      // a folder: traverse it
constexpr uint32_t kDeleteChild = 0x40;  // a folder: delete what is in it
constexpr uint32_t kReadAttributes = 0x80;
constexpr uint32_t kWriteAttributes = 0x100;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kReadControl = 0x20000;
constexpr uint32_t kWriteDac = 0x40000;
constexpr uint32_t kWriteOwner = 0x80000;
constexpr uint32_t kSynchronize = 0x100000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericWrite = 0x40000000;
// What changes a file's contents, its access list or its place.
constexpr uint32_t kChangeFile = kWriteData | kAppendData | kWriteEa | kWriteAttributes | kDelete |
                                 kWriteDac | kWriteOwner | kGenericAll | kGenericWrite;
// What lets one replace or remove a file that is in a folder, or the folder.
constexpr uint32_t kReplaceInFolder =
    kDeleteChild | kDelete | kWriteDac | kWriteOwner | kGenericAll;
// Reading a folder or file and passing through it.
constexpr uint32_t kRead =
    kReadData | kReadEa | kExecute | kReadAttributes | kReadControl | kSynchronize;
}  // namespace Right

// One entry of an access list.
struct Ace {
  enum class Type { kAllow, kDeny, kOther };
  Type type = Type::kAllow;
  std::string sid;  // "S-1-5-18"
  uint32_t mask = 0;
  bool inheritOnly = false;  // applies to what the folder holds, not to it
};

// A file's or folder's owner and access list as read.
struct ObjectSecurity {
  std::string owner;           // a SID; "" unknown
  bool hasDacl = true;         // false: no access list at all, everyone may do anything
  bool daclProtected = false;  // entries of the parent folder are not inherited
  std::vector<Ace> aces;
};

// The security identifier of a service's own account "NT SERVICE\name"
// (S-1-5-80- and the SHA-1 of the upper-cased name in UTF-16LE, as five
// numbers). `name` is ASCII.
std::string ServiceSid(const std::string& name);

// Who, besides `trusted`, may do any of `rights` to the object: an owner who
// is not trusted (an owner can always change the access list), an access
// entry that allows one of them (deny entries are not counted: what they take
// away depends on their order), and everyone when there is no access list.
// Each as "SID" or its well-known name ("Everyone", "Users"...).
std::vector<std::string> OthersWhoMay(const ObjectSecurity& object, uint32_t rights,
                                      const std::vector<std::string>& trusted);

// Whether the service may start on this configuration: nobody but the
// system and the administrators may change the file, and nobody else but
// the service itself (which may add files) may replace it in its folder. False
// with `why` (English, for the service's log) otherwise.
bool ConfigurationIsSafe(const ObjectSecurity& file, const ObjectSecurity& folder,
                         const std::string& serviceSid, std::string& why);

// Whether the data folder, after install set it, is as it must be: owned by
// the system or the administrators, not inheriting, and changeable by nobody
// else (the service adds its files only). False with `why`.
bool FolderIsSafe(const ObjectSecurity& folder, const std::string& serviceSid, std::string& why);

// What install does with the data folder path as found.
struct FolderFacts {
  bool exists = false;
  bool directory = false;
  bool reparsePoint = false;  // a symbolic link or junction: it leads elsewhere
};
enum class FolderStep {
  kCreate,    // create it with the folder's descriptor
  kTakeOver,  // it exists: set its owner and protected access list all the same
  kRefuse,    // not a plain folder: install stops and says why
};
FolderStep PlanFolder(const FolderFacts& facts, std::string& why);

// Security descriptors (SDDL) that install sets, for the service's SID:
// the folder: owned by the administrators; the system and the administrators
// everything, inherited; the service reads it and adds files, and has every
// right on the files it creates (as their creator);
std::string FolderDescriptor(const std::string& serviceSid);
// the configuration: the system and the administrators everything, the
// service reads it;
std::string ConfigDescriptor(const std::string& serviceSid);
// the log and the sale journal that an earlier install left: owned by the
// administrators, the service changes them.
std::string DataFileDescriptor(const std::string& serviceSid);

}  // namespace service
