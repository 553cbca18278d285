// What a signature's verification answered, as the risk signals show it: a
// chain this machine cannot complete without the network is no bad
// signature.
#include <gtest/gtest.h>

#include "compare/signature.h"
#include "registry/registry_store.h"
#include "support/fake_file_facts.h"

namespace hollin {
namespace {

using T = IFileFacts::Trust;

TEST(TrustOfStatus, OfflineChainsAreNotVerifiableTamperingIsBad) {
  EXPECT_EQ(TrustOfStatus(0), T::Signed);
  for (long s : {kTrustNoSignature, kTrustSubjectFormUnknown, kTrustProviderUnknown}) EXPECT_EQ(TrustOfStatus(s), T::Unsigned) << s;
  // A root Windows would download on demand, a chain the local stores cannot
  // complete, a revocation server out of reach.
  for (long s : {kCertUntrustedRoot, kCertChaining, kCertRevocationFailure, kCryptRevocationOffline})
    EXPECT_EQ(TrustOfStatus(s), T::NotVerifiable) << std::hex << s;
  for (long s : {kTrustBadDigest, kTrustCertSignature, kTrustExplicitDistrust, kCertRevoked, kCertExpired, kTrustNoSignerCert,
                 kTrustSubjectNotTrusted, kCertUntrustedTestRoot})
    EXPECT_EQ(TrustOfStatus(s), T::BadSignature) << std::hex << s;
  EXPECT_EQ(TrustOfStatus(static_cast<long>(0x80070005)), T::Unknown);  // access denied: nothing told
}

TEST(TrustOfStatus, NotVerifiableIsToldNotCounted) {
  RegistryStore reg;
  test::FakeFileFacts files;
  files.Add("C:\\Program Files\\Fresh\\fresh.exe", T::NotVerifiable);
  AssocEntry e;
  e.Ext(".txt");
  e.ProgramID("Fresh.Doc");
  e.ProgramFullPath("\"C:\\Program Files\\Fresh\\fresh.exe\" \"%1\"");
  const Assessment a = Assessor(reg, files).Assess(e);
  EXPECT_EQ(a.signals, std::vector<Signal>{Signal::NotVerifiable});
  EXPECT_EQ(a.Words(), "not-verifiable");
  EXPECT_NE(a.PanelText().find("cannot be verified here"), std::string::npos) << a.PanelText();
  EXPECT_FALSE(CountsForHealth(Signal::NotVerifiable));
  EXPECT_TRUE(CountsForHealth(Signal::BadSignature));
}

}  // namespace
}  // namespace hollin
