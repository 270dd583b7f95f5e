#pragma once
// What the security windows say about a certificate, in Spanish. No widgets: tested on its own.

#include <QString>
#include <string>

#include "ftp/Tls.h"

namespace certtext {

// Why verification failed, for a verification error code (X509_V_ERR_*).
QString reason(int verifyError);
// 64 hex digits as two lines of sixteen colon-separated upper-case pairs; other text unchanged.
QString fingerprint(const std::string& sha256);
// "del FROM al TO".
QString validity(const ftp::CertificateInfo& certificate);

}  // namespace certtext
