#include "risk/signature.h"

namespace hollin {

IFileFacts::Trust TrustOfStatus(long status) {
  using Trust = IFileFacts::Trust;
  switch (status) {
    case 0: return Trust::Signed;
    case kTrustNoSignature:
    case kTrustSubjectFormUnknown:
    case kTrustProviderUnknown: return Trust::Unsigned;
    case kCertUntrustedRoot:
    case kCertChaining:
    case kCertRevocationFailure:
    case kCryptRevocationOffline: return Trust::NotVerifiable;
    case kTrustBadDigest:
    case kTrustCertSignature:
    case kTrustExplicitDistrust:
    case kCertRevoked:
    case kCertExpired:
    case kTrustNoSignerCert:
    case kTrustSubjectNotTrusted:
    case kCertUntrustedTestRoot: return Trust::BadSignature;
    default: return Trust::Unknown;
  }
}

}  // namespace hollin
