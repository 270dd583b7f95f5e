#pragma once
// The caption/value rows both security windows show for a certificate, in the program's look.

#include <QString>

#include "ftp/Tls.h"

class QGridLayout;
class QLabel;

namespace certview {

// A caption and its value on the next free row; returns the value label. A value too long for a
// few lines is shortened in the middle.
QLabel* addRow(QGridLayout* grid, const QString& caption, const QString& value);
// A fingerprint row: fixed-pitch digits on the dark box of the program's input fields.
QLabel* addFingerprintRow(QGridLayout* grid, const QString& caption, const std::string& sha256);
// The same for a fingerprint already written out (an SSH key's "SHA256:..."), never cut.
QLabel* addDigestRow(QGridLayout* grid, const QString& caption, const QString& digest);
// Holder, issuer, validity and fingerprint; the names as visibletext::decode shows them.
void addCertificateRows(QGridLayout* grid, const ftp::CertificateInfo& certificate);

}  // namespace certview
