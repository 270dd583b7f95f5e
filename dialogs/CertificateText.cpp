#include "CertificateText.h"

#include <QStringList>
#include <openssl/x509_vfy.h>  // the error codes only; nothing is linked

namespace certtext {

QString reason(int verifyError) {
    switch (verifyError) {
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
            return QStringLiteral("El certificado está firmado por el propio servidor (autofirmado): "
                                  "ninguna autoridad de confianza lo garantiza.");
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return QStringLiteral("La cadena del certificado termina en una autoridad autofirmada que "
                                  "este equipo no reconoce.");
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return QStringLiteral("No se encuentra la autoridad que emitió el certificado entre las de "
                                  "confianza de este equipo.");
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return QStringLiteral("El certificado ha caducado.");
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return QStringLiteral("El certificado todavía no es válido: su fecha de inicio aún no ha llegado.");
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return QStringLiteral("El certificado no corresponde al nombre del servidor al que se conecta.");
        default:
            return QStringLiteral("No se ha podido verificar el certificado (error %1).").arg(verifyError);
    }
}

QString fingerprint(const std::string& sha256) {
    const QString hex = QString::fromStdString(sha256).toUpper();
    if (hex.size() != 64) return hex;
    QStringList pairs;
    for (int i = 0; i < hex.size(); i += 2) pairs << hex.mid(i, 2);
    return pairs.mid(0, 16).join(QLatin1Char(':')) + QLatin1Char('\n') + pairs.mid(16).join(QLatin1Char(':'));
}

QString validity(const ftp::CertificateInfo& certificate) {
    return QStringLiteral("del %1 al %2")
        .arg(QString::fromStdString(certificate.notBefore), QString::fromStdString(certificate.notAfter));
}

}  // namespace certtext
