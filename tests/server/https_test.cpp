// fiscal-server over https in front of the simulated printer: a till's
// requests, the clients that speak no TLS or never finish their handshake, and
// the certificate files a shop gets wrong.
#ifdef FS_HAVE_TLS
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <future>

#include "server_on_sim.h"

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

Key NewKey() {
  return Key(EVP_EC_gen("P-256"), EVP_PKEY_free);
}

// A self-signed certificate for 127.0.0.1 (its subjectAltName, as a till's
// certificate names the till), valid from `from` to `to` seconds from now.
void WriteCertificate(EVP_PKEY* key, const std::string& path, long from = -60, long to = 3600) {
  X509* x = X509_new();
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
  X509_gmtime_adj(X509_getm_notBefore(x), from);
  X509_gmtime_adj(X509_getm_notAfter(x), to);
  X509_set_pubkey(x, key);
  X509_NAME* name = X509_get_subject_name(x);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(x, name);
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
  X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1");
  X509_add_ext(x, san, -1);
  X509_EXTENSION_free(san);
  X509_sign(x, key, EVP_sha256());
  std::FILE* f = std::fopen(path.c_str(), "w");
  PEM_write_X509(f, x);
  std::fclose(f);
  X509_free(x);
}

void WriteKey(EVP_PKEY* key, const std::string& path, mode_t mode = 0600,
              const char* passphrase = nullptr) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  PEM_write_PrivateKey(f, key, passphrase ? EVP_aes_256_cbc() : nullptr, nullptr, 0, nullptr,
                       const_cast<char*>(passphrase));
  std::fclose(f);
  chmod(path.c_str(), mode);
}

// A handshake by a client that checks the certificate against the system's
// authorities only, as curl or a browser does: it refuses during the handshake.
bool UntrustingHandshake(int port) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_default_verify_paths(ctx);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  SSL* ssl = SSL_new(ctx);
  BIO* bio = BIO_new_connect(("127.0.0.1:" + std::to_string(port)).c_str());
  SSL_set_bio(ssl, bio, bio);
  const bool ok = SSL_connect(ssl) == 1;
  SSL_free(ssl);
  SSL_CTX_free(ctx);
  return ok;
}

// A TLS 1.2 handshake by a client that offers `ciphers` alone; the cipher
// agreed, "" when the server refused.
std::string Tls12HandshakeWith(int port, const char* ciphers) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_cipher_list(ctx, ciphers);
  SSL* ssl = SSL_new(ctx);
  BIO* bio = BIO_new_connect(("127.0.0.1:" + std::to_string(port)).c_str());
  SSL_set_bio(ssl, bio, bio);
  const std::string agreed = SSL_connect(ssl) == 1 ? SSL_get_cipher_name(ssl) : "";
  SSL_free(ssl);
  SSL_CTX_free(ctx);
  return agreed;
}

class Https : public ServerOnSimBase {
 protected:
  void SetUp() override {
    char name[] = "/tmp/fs-https-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    WriteCertificate(key.get(), Path("till.crt"));
    WriteKey(key.get(), Path("till.key"));
  }
  void TearDown() override {
    Stop();
    if (requestLog) std::fclose(requestLog);
    std::filesystem::remove_all(dir);
  }
  std::string Path(const char* file) const { return dir + "/" + file; }

  void StartHttps() {
    std::string error;
    std::vector<std::string> warnings;
    tls = TlsContext::Load(Path("till.crt"), Path("till.key"), error, warnings);
    ASSERT_TRUE(tls) << error;
    EXPECT_TRUE(warnings.empty()) << warnings[0];
    tlsCa = Path("till.crt");
    Start();
  }
  // A client of its own: a new connection, a new handshake.
  int FreshStatus() {
    httplib::Client fresh("https://127.0.0.1:" + std::to_string(front->Port()));
    fresh.set_ca_cert_path(tlsCa.c_str());
    fresh.enable_server_certificate_verification(true);
    const auto res = fresh.Get("/printers/1/status");
    return res ? res->status : 0;
  }

  std::string dir;
  Key key = NewKey();
};

TEST_F(Https, ATillPrintsOverHttps) {
  StartHttps();
  sim.ClearPaper();
  auto [status, body] = Get("/printers/1/status");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(body["ok"], true) << body.dump();
  // The same connection, kept alive, takes the receipt.
  std::tie(status, body) =
      Post("/printers/1/receipt", R"({"items":[{"text":"Кафе","unitPrice":2.5,"taxGroup":2}]})");
  ASSERT_EQ(status, 200) << body.dump();
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_DOUBLE_EQ(body["receiptAmount"].get<double>(), 2.5);
  EXPECT_EQ(CountOf(sim.Paper(), "Кафе"), 1) << sim.Paper();
}

// Over https the server's own page is an https origin: the same address over
// http is another origin (a page served elsewhere by plain http), refused.
TEST_F(Https, TheOwnPageOverHttpsIsTheOwnOrigin) {
  StartHttps();
  sim.ClearPaper();
  const std::string own = "127.0.0.1:" + std::to_string(front->Port());
  auto page = client->Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Security-Policy"), "default-src 'self'");
  auto [status, body] = Post("/printers/1/deposit", R"({"amount":0.05})",
                             {{"Origin", "https://" + own}, {"Host", own}});
  EXPECT_EQ(status, 200) << body.dump();
  std::tie(status, body) = Post("/printers/1/deposit", R"({"amount":0.06})",
                                {{"Origin", "http://" + own}, {"Host", own}});
  EXPECT_EQ(status, 403) << body.dump();
  EXPECT_NE(sim.Paper().find("0.05"), std::string::npos);
  EXPECT_EQ(sim.Paper().find("0.06"), std::string::npos);
}

TEST_F(Https, ClientsWithoutTlsAreClosedAtOnceAndTheNextIsServed) {
  StartHttps();
  const struct {
    std::string bytes;
    int status;  // plain http is told, in plain http, to use https
  } rows[] = {
      {"GET /printers/1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 400},
      {"POST /printers/1/zreport HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 400},
      {std::string("\x16\x03\x01\x00\x04junk", 9), 0},  // a handshake record of nonsense
      {"hello\r\n\r\n", 0},
  };
  for (const auto& row : rows) {
    RawClient raw(front->Port());
    ASSERT_TRUE(raw.Send(row.bytes));
    const auto start = std::chrono::steady_clock::now();
    const std::string got = raw.ReadAll(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4000));
    EXPECT_EQ(StatusOf(got), row.status) << got;
    if (row.status) {
      EXPECT_NE(got.find("https://"), std::string::npos) << got;
    }
    EXPECT_EQ(FreshStatus(), 200);
  }
}

TEST_F(Https, AClientThatDoesNotTrustTheCertificateIsLoggedWithWhy) {
  requestLog = std::tmpfile();
  StartHttps();
  EXPECT_FALSE(UntrustingHandshake(front->Port()));
  const std::string text = LogOnceItHolds(requestLog, "does not trust");
  EXPECT_NE(text.find("127.0.0.1 TLS handshake failed: tlsv1 alert unknown ca (the client does "
                      "not trust this server's certificate"),
            std::string::npos)
      << text;
}

TEST_F(Https, OnlyForwardSecretCiphersAreAgreed) {
  requestLog = std::tmpfile();
  StartHttps();
  const struct {
    const char* offered;
    bool agreed;
  } rows[] = {
      {"AES128-SHA", false},              // static RSA key exchange, CBC with SHA-1
      {"AES256-GCM-SHA384", false},       // static RSA key exchange
      {"ECDHE-ECDSA-AES128-SHA", false},  // CBC with SHA-1
      {"ECDHE-ECDSA-AES128-GCM-SHA256", true},
      {"ECDHE-ECDSA-CHACHA20-POLY1305", true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Tls12HandshakeWith(front->Port(), row.offered) == row.offered, row.agreed)
        << row.offered;
  EXPECT_NE(LogOnceItHolds(requestLog, "forward-secret").find("no shared cipher"),
            std::string::npos);
  EXPECT_EQ(FreshStatus(), 200);  // TLS 1.3 with its own suites
}

TEST_F(Https, SilentAndStalledHandshakesHoldNobody) {
  StartHttps();
  front->SetRequestDeadlineForTesting(1500);
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 32; ++i) {
    idle.push_back(std::make_unique<RawClient>(front->Port()));
    // Half never say a word; half stop in the middle of their ClientHello.
    if (i % 2) idle.back()->Send(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11));
  }
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FreshStatus(), 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  // Closed once their time is up.
  start = std::chrono::steady_clock::now();
  idle[0]->ReadAll(8000);
  idle[1]->ReadAll(8000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(6000));
}

TEST_F(Https, AJobWhoseClientLeftNeverReachesThePrinter) {
  StartHttps();
  sim.ClearPaper();
  sim.Inject(Fault::kNoAnswer);  // the printer is slow to take the first job
  auto first = std::async(std::launch::async, [this] { return Get("/printers/1/status").first; });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  {
    httplib::Client impatient("https://127.0.0.1:" + std::to_string(front->Port()));
    impatient.set_ca_cert_path(tlsCa.c_str());
    impatient.set_read_timeout(0, 300 * 1000);
    // Gives up and says goodbye: TLS bytes come before its end of stream.
    EXPECT_FALSE(impatient.Post("/printers/1/receipt",
                                R"({"items":[{"text":"Изоставен","unitPrice":1,"taxGroup":2}]})",
                                "application/json"));
  }
  sim.Inject(Fault::kNoAnswer, 0);
  first.get();
  EXPECT_EQ(Get("/printers/1/status").first, 200);
  EXPECT_EQ(sim.Paper().find("Изоставен"), std::string::npos) << sim.Paper();
}

TEST_F(Https, CertificateFilesAShopGetsWrongAreSaidAtStartUp) {
  const Key other = NewKey();
  WriteKey(other.get(), Path("other.key"));
  WriteKey(key.get(), Path("open.key"), 0644);
  WriteKey(key.get(), Path("locked.key"), 0600, "secret");
  WriteCertificate(key.get(), Path("old.crt"), -7200, -3600);
  std::FILE* f = std::fopen(Path("not.pem").c_str(), "w");
  std::fputs("not a certificate\n", f);
  std::fclose(f);
  const struct {
    const char* cert;
    const char* key;
    const char* error;  // "": loaded
    const char* warning;
  } rows[] = {
      {"till.crt", "till.key", "", ""},
      {"till.crt", "other.key", "does not belong to the certificate", ""},
      {"none.crt", "till.key", "cannot read the certificate", ""},
      {"not.pem", "till.key", "BEGIN CERTIFICATE", ""},
      {"till.crt", "not.pem", "passphrase", ""},
      {"till.crt", "locked.key", "passphrase", ""},  // never asked for
      {"old.crt", "till.key", "", "expired"},
      {"till.crt", "open.key", "", "every user"},
  };
  for (const auto& row : rows) {
    std::string error;
    std::vector<std::string> warnings;
    const auto loaded = TlsContext::Load(Path(row.cert), Path(row.key), error, warnings);
    EXPECT_EQ(loaded == nullptr, *row.error != '\0') << row.cert << " " << row.key;
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    std::string said;
    for (const auto& w : warnings) said += w;
    EXPECT_EQ(said.empty(), *row.warning == '\0') << said;
    EXPECT_NE(said.find(row.warning), std::string::npos) << said;
  }
  // The program: the reason and its exit status before it serves anything.
  const struct {
    std::string options;
    int exit;
    const char* said;
  } runs[] = {
      {"--tls-cert " + Path("till.crt") + " --tls-key " + Path("other.key"), 1, "does not belong"},
      {"--tls-cert " + Path("till.crt"), 2, "go together"},
  };
  for (const auto& run : runs) {
    const std::string command = "timeout 20 " + std::string(FS_BINARY_DIR) +
                                "/src/server/fiscal-server --com 1=/dev/null --journal /dev/null "
                                "--listen 127.0.0.1:1 " +
                                run.options + " 2>&1";
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buf[256];
    while (fgets(buf, sizeof buf, out)) text += buf;
    EXPECT_EQ(WEXITSTATUS(pclose(out)), run.exit) << text;
    EXPECT_NE(text.find(run.said), std::string::npos) << text;
  }
}

}  // namespace
#endif
