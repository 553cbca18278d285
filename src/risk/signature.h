// What a signature's verification (WinVerifyTrust) answered, as a file's
// trust. The statuses are Windows' own (wintrust.h, winerror.h); the Win32
// binding asserts that they match.
#pragma once

#include "risk/risk.h"

namespace hollin {

inline constexpr long kTrustNoSignature = static_cast<long>(0x800B0100);
inline constexpr long kTrustSubjectFormUnknown = static_cast<long>(0x800B0003);
inline constexpr long kTrustProviderUnknown = static_cast<long>(0x800B0001);
inline constexpr long kTrustBadDigest = static_cast<long>(0x80096010);
inline constexpr long kTrustCertSignature = static_cast<long>(0x80096004);
inline constexpr long kCertUntrustedRoot = static_cast<long>(0x800B0109);
inline constexpr long kCertChaining = static_cast<long>(0x800B010A);
inline constexpr long kTrustExplicitDistrust = static_cast<long>(0x800B0111);
inline constexpr long kCertRevoked = static_cast<long>(0x800B010C);
inline constexpr long kCertExpired = static_cast<long>(0x800B0101);
inline constexpr long kTrustNoSignerCert = static_cast<long>(0x80096002);
inline constexpr long kTrustSubjectNotTrusted = static_cast<long>(0x800B0004);
inline constexpr long kCertUntrustedTestRoot = static_cast<long>(0x800B010D);
inline constexpr long kCertRevocationFailure = static_cast<long>(0x800B010E);
inline constexpr long kCryptRevocationOffline = static_cast<long>(0x80092013);

// The trust a verification's status tells. Verification fetches nothing
// from the network: a chain that ends at a root this machine does not hold
// (Windows would download it on demand) or that cannot be completed from
// the local stores is NotVerifiable, never a bad signature. Any status not
// known here is Unknown.
IFileFacts::Trust TrustOfStatus(long status);

}  // namespace hollin
