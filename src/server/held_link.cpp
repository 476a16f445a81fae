#include "server/held_link.h"

#include "driver/fiscal_printer.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// The device a path names: its device number and node, as stat reads them
// through symbolic links. Unknown where it cannot be read (a device gone);
// never known on Windows, where it is not watched.
struct HeldLink::DeviceId {
  bool known = false;
  unsigned long long device = 0;
  unsigned long long node = 0;

  static DeviceId Of(const std::string& path) {
    DeviceId id;
#ifndef _WIN32
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
      id.known = true;
      id.device = static_cast<unsigned long long>(st.st_rdev);
      id.node = static_cast<unsigned long long>(st.st_ino);
    }
#else
    (void)path;
#endif
    return id;
  }
  bool Same(const DeviceId& other) const {
    return known == other.known && (!known || (device == other.device && node == other.node));
  }
};

// The driver's host for as long as the link is kept: passes everything to the
// host of the job holding it and notes what breaks the link.
class HeldLink::Relay : public UiHost {
 public:
  void Attach(UiHost* host) { host_ = host; }
  bool Broken() const { return broken_; }
  void Mend() { broken_ = false; }

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override {
    return host_ ? host_->ShowPrompt(text, caption, style, textStyle) : kNobody;
  }
  int ShowPromptWithId(PromptId id, const std::string& text, const std::string& caption,
                       unsigned style, int textStyle) override {
    if (id == PromptId::kLinkFault || id == PromptId::kIncompleteStatus) broken_ = true;
    return host_ ? host_->ShowPromptWithId(id, text, caption, style, textStyle) : kNobody;
  }
  int RunDateTimeDialog(const PrinterLine& line) override {
    broken_ = true;  // the driver closes the port for it and opens it again
    return host_ ? host_->RunDateTimeDialog(line) : kNobody;
  }
  void CommandStarting() override {
    if (host_) host_->CommandStarting();
  }
  void BeginWait() override {
    if (host_) host_->BeginWait();
  }
  void EndWait() override {
    if (host_) host_->EndWait();
  }

 private:
  static constexpr int kNobody = 2;  // as if the prompt had been closed
  UiHost* host_ = nullptr;
  bool broken_ = false;
};

HeldLink::HeldLink(Opener open, std::string path)
    : open_(std::move(open)),
      path_(std::move(path)),
      relay_(std::make_unique<Relay>()),
      opened_(std::make_unique<DeviceId>()) {}

HeldLink::~HeldLink() {
  Release();
}

FiscalPrinter& HeldLink::Take(UiHost* host) {
  relay_->Attach(host);
  if (printer_ && (!printer_->IsConnected() || !opened_->Same(DeviceId::Of(path_))))
    printer_.reset();
  if (!printer_) {
    relay_->Mend();
    ++generation_;
    // What the path names before the port opens: a path given to another
    // device meanwhile shows at the next job.
    *opened_ = DeviceId::Of(path_);
    printer_ = open_(relay_.get());
  }
  return *printer_;
}

void HeldLink::Give() {
  if (printer_ && (relay_->Broken() || !printer_->IsConnected())) printer_.reset();
  relay_->Attach(nullptr);
}

void HeldLink::Release() {
  printer_.reset();
  relay_->Attach(nullptr);
}
