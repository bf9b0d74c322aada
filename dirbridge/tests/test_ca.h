// Test support: a certificate authority of the test's own and a server
// certificate it signed for 127.0.0.1, made with openssl in a folder.
#pragma once

#include <string>

#include "platform/testing/child_process.h"

namespace vk::testing {

class TestCertificates {
 public:
  // Makes `<folder>/<name>-ca.pem` and the server's `<name>.pem`/`<name>.key`.
  TestCertificates(const std::string& folder, const std::string& name)
      : ca_(folder + "/" + name + "-ca.pem"), cert_(folder + "/" + name + ".pem"), key_(folder + "/" + name + ".key") {
    const std::string caKey = folder + "/" + name + "-ca.key";
    const std::string request = folder + "/" + name + ".csr";
    const std::string extensions = folder + "/" + name + ".ext";
    WriteFileText(extensions, "subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n");
    made_ = Run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=" + name + " test CA",
                 "-keyout", caKey, "-out", ca_}) &&
            Run({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", key_, "-out", request}) &&
            Run({"x509", "-req", "-in", request, "-CA", ca_, "-CAkey", caKey, "-CAcreateserial", "-days", "2",
                 "-extfile", extensions, "-out", cert_});
  }

  bool Made() const { return made_; }
  const std::string& Authority() const { return ca_; }
  // slapd.conf lines that serve this certificate.
  std::string SlapdLines() const {
    return "TLSCACertificateFile " + ca_ + "\nTLSCertificateFile " + cert_ + "\nTLSCertificateKeyFile " + key_ + "\n";
  }

 private:
  static void WriteFileText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "w");
    if (f == nullptr) return;
    fputs(text.c_str(), f);
    fclose(f);
  }
  static bool Run(const std::vector<std::string>& args) {
    ChildProcess openssl("/usr/bin/openssl", {}, "/dev/null", args);
    return openssl.Started() && openssl.Wait() == 0;
  }

  std::string ca_;
  std::string cert_;
  std::string key_;
  bool made_ = false;
};

}  // namespace vk::testing
