#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include "DialogsRecorder.h"
#include "core/SettingsStore.h"
#include "core/TlsSetting.h"
#include "dialogs/CertificateText.h"
#include "dialogs/CertificateWindow.h"
#include "dialogs/HostKeyWindow.h"
#include "dialogs/SecurityWindow.h"
#include "ftp/TrustStore.h"
#include "ftp/sftp/HostKeys.h"

namespace {

const std::string kSha(64, 'a');
const std::string kOldSha = std::string(62, '0') + "ff";

struct ReasonRow {
    int code;
    const char* text;
};
class ReasonTest : public ::testing::TestWithParam<ReasonRow> {};

TEST_P(ReasonTest, EachVerificationErrorHasItsSpanishReason) {
    EXPECT_EQ(certtext::reason(GetParam().code), QString::fromUtf8(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(
    Codes, ReasonTest,
    ::testing::Values(
        ReasonRow{X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
                  "El certificado está firmado por el propio servidor "
                  "(autofirmado): ninguna autoridad de confianza lo garantiza."},
        ReasonRow{X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN,
                  "La cadena del certificado termina en una autoridad autofirmada que este equipo no reconoce."},
        ReasonRow{X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
                  "No se encuentra la autoridad que emitió el certificado entre las de confianza de este equipo."},
        ReasonRow{X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE,
                  "No se encuentra la autoridad que emitió el certificado entre las de confianza de este equipo."},
        ReasonRow{X509_V_ERR_CERT_HAS_EXPIRED, "El certificado ha caducado."},
        ReasonRow{X509_V_ERR_CERT_NOT_YET_VALID,
                  "El certificado todavía no es válido: su fecha de inicio aún no ha llegado."},
        ReasonRow{X509_V_ERR_HOSTNAME_MISMATCH,
                  "El certificado no corresponde al nombre del servidor al que se conecta."},
        ReasonRow{X509_V_ERR_IP_ADDRESS_MISMATCH,
                  "El certificado no corresponde al nombre del servidor al que se conecta."},
        ReasonRow{X509_V_ERR_CERT_REVOKED, "No se ha podido verificar el certificado (error 23)."}));

TEST(CertificateTextTest, FingerprintReadsAsTwoLinesOfSixteenPairs) {
    const std::string sha =
        "00112233445566778899aabbccddeeff"
        "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(certtext::fingerprint(sha), QStringLiteral("00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF\n"
                                                         "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF"));
    EXPECT_EQ(certtext::fingerprint("abc"), QStringLiteral("ABC"));  // not a digest: shown as it is
}

ftp::TrustQuestion question(bool changed) {
    ftp::TrustQuestion q;
    q.host = "ftp.example.test";
    q.port = 21;
    q.certificate = {"CN=ftp.example.test",
                     "CN=ftp.example.test",
                     "2026-01-01 00:00:00 UTC",
                     "2027-01-01 00:00:00 UTC",
                     kSha,
                     X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
                     "self-signed"};
    if (changed) q.rememberedSha256 = kOldSha;
    return q;
}

// What a screen reader is told of each caption/value row: the value's accessible name under the
// name of the label it is labelled by. A caption heard twice (its value named after it) fails.
QMap<QString, QString> spokenRows(const QWidget& window) {
    QMap<QString, QString> rows;
    QStringList names;
    for (QLabel* l : window.findChildren<QLabel*>()) {
        QAccessibleInterface* value = QAccessible::queryAccessibleInterface(l);
        names << value->text(QAccessible::Name);
        for (const auto& [label, relation] : value->relations(QAccessible::Label))
            if (qobject_cast<QLabel*>(label->object()))
                rows.insert(label->text(QAccessible::Name), value->text(QAccessible::Name));
    }
    for (const QString& caption : rows.keys()) EXPECT_EQ(names.count(caption), 1) << caption.toStdString();
    return rows;
}

struct AnswerRow {
    const char* press;  // a button's name, or "escape"
    bool changed;
    ftp::TrustAnswer answer;
};
const auto kButtons = ::testing::Values(
    AnswerRow{"thisTime", false, ftp::TrustAnswer::ThisTime}, AnswerRow{"always", false, ftp::TrustAnswer::Always},
    AnswerRow{"cancel", false, ftp::TrustAnswer::Cancel}, AnswerRow{"escape", false, ftp::TrustAnswer::Cancel},
    AnswerRow{"always", true, ftp::TrustAnswer::Always}, AnswerRow{"escape", true, ftp::TrustAnswer::Cancel});

// Asks, presses what the row says once the window shows, and checks what every such window
// shares: the title, the answer, "Cancelar" as the default and the warning when a trusted thing
// changed. Returns the caption/value rows it showed.
QMap<QString, QString> answered(TrustWindow& window, const AnswerRow& row, const QString& title) {
    bool cancelIsDefault = false;
    QMap<QString, QString> rows;
    QTimer::singleShot(0, &window, [&] {
        cancelIsDefault = window.findChild<QPushButton*>(QStringLiteral("cancel"))->isDefault();
        rows = spokenRows(window);
        if (qstrcmp(row.press, "escape") == 0)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.findChild<QPushButton*>(QLatin1String(row.press))->click();
    });
    EXPECT_EQ(window.ask(), row.answer);
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_TRUE(cancelIsDefault);
    const QLabel* warning = window.findChild<QLabel*>(QStringLiteral("warning"));
    EXPECT_EQ(warning && warning->text().contains(QStringLiteral("haciéndose pasar por el servidor")), row.changed);
    return rows;
}

void expectRows(const QMap<QString, QString>& rows, const QMap<QString, QString>& expected) {
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(rows.value(it.key()), it.value()) << it.key().toStdString();
}

class CertificateWindowTest : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(CertificateWindowTest, ShowsTheCertificateAndReturnsTheButtonPressed) {
    const AnswerRow& row = GetParam();
    CertificateWindow window(question(row.changed));
    expectRows(answered(window, row, QStringLiteral("Certificado del servidor")),
               {{QStringLiteral("Servidor:"), QStringLiteral("ftp.example.test:21")},
                {QStringLiteral("Motivo:"), certtext::reason(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT)},
                {QStringLiteral("Titular:"), QStringLiteral("CN=ftp.example.test")},
                {QStringLiteral("Emisor:"), QStringLiteral("CN=ftp.example.test")},
                {QStringLiteral("Validez:"), QStringLiteral("del 2026-01-01 00:00:00 UTC al 2027-01-01 00:00:00 UTC")},
                {QStringLiteral("Huella SHA-256:"), certtext::fingerprint(kSha)},
                {QStringLiteral("Huella recordada:"), row.changed ? certtext::fingerprint(kOldSha) : QString()}});
}
INSTANTIATE_TEST_SUITE_P(Buttons, CertificateWindowTest, kButtons);

const char* const kKey = "SHA256:V75U1+ykWA5I4EtbcnAMQp7nR6RcWMWLd9bh5SWOC1k";
const char* const kOldKey = "SHA256:2hLx2Mk3AlqSk8qEG+r1klGOCId+oalVeszyrIa56sM";

class HostKeyWindowTest : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(HostKeyWindowTest, ShowsTheKeyAndReturnsTheButtonPressed) {
    const AnswerRow& row = GetParam();
    HostKeyWindow window(
        ftp::HostKeyQuestion{"sftp.example.test", 2222, {"ssh-ed25519", kKey}, row.changed ? kOldKey : ""});
    expectRows(
        answered(window, row, QStringLiteral("Clave del servidor")),
        {{QStringLiteral("Servidor:"), QStringLiteral("sftp.example.test:2222")},
         {QStringLiteral("Tipo de clave:"), QStringLiteral("ssh-ed25519")},
         {row.changed ? QStringLiteral("Huella nueva:") : QStringLiteral("Huella SHA-256:"), QString::fromUtf8(kKey)},
         {QStringLiteral("Huella recordada:"), row.changed ? QString::fromUtf8(kOldKey) : QString()}});
}
INSTANTIATE_TEST_SUITE_P(Buttons, HostKeyWindowTest, kButtons);

class SecurityWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("pelicano.ini"))};
    std::string trustPath = dir.filePath(QStringLiteral("known-certificates")).toStdString();
    std::string keyPath = dir.filePath(QStringLiteral("known_hosts")).toStdString();
    DialogsRecorder dialogs;
    SecurityWindow window{store, dialogs, trustPath, keyPath};

    QRadioButton* option(const char* name) { return window.findChild<QRadioButton*>(QLatin1String(name)); }
    QStringList labels() {
        QStringList out;
        for (const QLabel* l : window.findChildren<QLabel*>()) out << l->text();
        return out;
    }
};

TEST_F(SecurityWindowTest, AChosenModeIsSavedAtOnceAndShownAtTheNextOpening) {
    window.load(false, std::nullopt);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Seguridad de la conexión"));
    EXPECT_TRUE(option("auto")->isChecked());  // the default
    const struct {
        const char* name;
        ftp::TlsMode mode;
    } rows[] = {{"off", ftp::TlsMode::Off}, {"require", ftp::TlsMode::Require}, {"auto", ftp::TlsMode::Auto}};
    for (const auto& r : rows) {
        option(r.name)->click();
        EXPECT_EQ(tlssetting::load(SettingsStore(store.filePath())), r.mode) << r.name;
        window.load(false, std::nullopt);
        EXPECT_TRUE(option(r.name)->isChecked()) << r.name;
    }
    EXPECT_EQ(option("auto")->text(), QStringLiteral("Usar cifrado si el servidor lo ofrece"));
    EXPECT_EQ(option("require")->text(), QStringLiteral("Exigir cifrado"));
    EXPECT_EQ(option("off")->text(), QStringLiteral("Sin cifrado"));
}

TEST_F(SecurityWindowTest, ShowsTheConnectionsProtection) {
    window.load(false, std::nullopt);
    EXPECT_TRUE(labels().contains(QStringLiteral("No hay ninguna conexión abierta.")));
    window.load(true, std::nullopt);
    EXPECT_TRUE(labels().filter(QStringLiteral("no está cifrada")).size() == 1);
    window.load(true, ftp::TlsStatus{"TLSv1.3", "TLS_AES_256_GCM_SHA384", question(false).certificate});
    const QMap<QString, QString> rows = spokenRows(window);
    EXPECT_EQ(rows.value(QStringLiteral("Protocolo:")), QStringLiteral("TLSv1.3"));
    EXPECT_EQ(rows.value(QStringLiteral("Cifrado:")), QStringLiteral("TLS_AES_256_GCM_SHA384"));
    EXPECT_EQ(rows.value(QStringLiteral("Titular:")), QStringLiteral("CN=ftp.example.test"));
    EXPECT_EQ(rows.value(QStringLiteral("Huella SHA-256:")), certtext::fingerprint(kSha));
    EXPECT_TRUE(labels().filter(QStringLiteral("ninguna conexión")).isEmpty());
    // Over SFTP: the server's greeting split into protocol and software, shown safely.
    window.load(true, std::nullopt,
                ftp::SshStatus{"SSH-2.0-OpenSSH_9.2p1 Debian\x1b[2J", "aes128-ctr", {"ssh-ed25519", "SHA256:abc+/"}});
    const QMap<QString, QString> ssh = spokenRows(window);
    EXPECT_EQ(ssh.value(QStringLiteral("Protocolo:")), QStringLiteral("SSH-2.0"));
    EXPECT_FALSE(ssh.value(QStringLiteral("Servidor:")).contains(QChar(0x1b)));
    EXPECT_TRUE(ssh.value(QStringLiteral("Servidor:")).startsWith(QStringLiteral("OpenSSH_9.2p1 Debian")));
    EXPECT_EQ(ssh.value(QStringLiteral("Cifrado:")), QStringLiteral("aes128-ctr"));
    EXPECT_EQ(ssh.value(QStringLiteral("Tipo de clave:")), QStringLiteral("ssh-ed25519"));
    EXPECT_EQ(ssh.value(QStringLiteral("Huella SHA-256:")), QStringLiteral("SHA256:abc+/"));
}

// A hostile server's names: huge, and with a right-to-left override and a line separator that
// would make "moc.knab" read "bank.com" on a line of its own.
TEST_F(SecurityWindowTest, HugeNamesLeaveBothWindowsOnTheScreenWithTheirControlsVisible) {
    std::string huge;
    for (int i = 0; i < 300; ++i) huge += "OU=unidad " + std::to_string(i) + ", ";
    ftp::TrustQuestion q = question(true);
    q.host = huge;
    q.certificate.issuer = huge;
    q.certificate.subject = huge +
                            "CN=\xe2\x80\xae"
                            "moc.knab\xe2\x80\xa8x";
    CertificateWindow certificate(q);
    QRect screen, shown;
    QString subject;
    QTimer::singleShot(0, &certificate, [&] {
        screen = certificate.screen()->availableGeometry();
        shown = certificate.frameGeometry();
        subject = spokenRows(certificate).value(QStringLiteral("Titular:"));
        certificate.reject();
    });
    certificate.ask();
    EXPECT_TRUE(screen.contains(shown)) << shown.height() << " px high on " << screen.height();
    EXPECT_TRUE(subject.startsWith(QStringLiteral("OU=unidad 0, "))) << subject.toStdString();
    EXPECT_TRUE(subject.endsWith(QStringLiteral("CN=\uFFFDmoc.knab\uFFFDx"))) << subject.toStdString();

    HostKeyWindow hostKey(ftp::HostKeyQuestion{q.certificate.subject, 22, {"ssh-ed25519", kKey}, kOldKey});
    const auto rows = answered(hostKey, {"cancel", true, ftp::TrustAnswer::Cancel},
                               QStringLiteral("Clave del servidor"));
    EXPECT_TRUE(screen.contains(hostKey.frameGeometry())) << hostKey.frameGeometry().height();
    EXPECT_TRUE(rows.value(QStringLiteral("Servidor:")).endsWith(QStringLiteral("CN=\uFFFDmoc.knab\uFFFDx:22")));

    window.load(true, ftp::TlsStatus{"TLSv1.3", "TLS_AES_256_GCM_SHA384", q.certificate});
    window.adjustSize();
    EXPECT_LE(window.height(), screen.height());
}

TEST_F(SecurityWindowTest, ForgetRemovesTheSelectedCertificateOrHostKeyFromItsFile) {
    ftp::TrustStore trust(trustPath);
    trust.remember("b.test", 21, kSha);
    trust.remember("a.test", 990, kOldSha);
    trust.markUsedTls("b.test", 21);
    ASSERT_TRUE(trust.save());
    window.load(false, std::nullopt);
    auto* list = window.findChild<QListWidget*>(QStringLiteral("certificatesList"));
    auto* forget = window.findChild<QPushButton*>(QStringLiteral("certificatesForget"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("a.test:990")));
    EXPECT_FALSE(forget->isEnabled());
    list->setCurrentRow(1);
    forget->click();

    ftp::TrustStore after(trustPath);
    ASSERT_TRUE(after.load());
    EXPECT_FALSE(after.lookup("b.test", 21));
    EXPECT_EQ(after.lookup("a.test", 990), kOldSha);
    EXPECT_TRUE(after.usedTls("b.test", 21));  // a downgrade is still caught
    ASSERT_EQ(list->count(), 1);
    EXPECT_FALSE(forget->isEnabled());

    const auto key = [](const char* base64) {
        return ftp::HostKey{"ssh-ed25519", QByteArray::fromBase64(base64).toStdString()};
    };
    ASSERT_TRUE(ftp::rememberHostKey(keyPath, "::1", 2222,
                                     key("AAAAC3NzaC1lZDI1NTE5AAAAIGYQSRjVAyH15jWYSsaIYHg9jstKe0DBINmUn0abEjYm")));
    ASSERT_TRUE(ftp::rememberHostKey(keyPath, "b.test", 22,
                                     key("AAAAC3NzaC1lZDI1NTE5AAAAIBybhmthhUzS5eqUGTai83wx/IA0JvNR8t09A9/hl9jj")));
    window.load(false, std::nullopt);
    auto* keys = window.findChild<QListWidget*>(QStringLiteral("hostKeysList"));
    auto* forgetKey = window.findChild<QPushButton*>(QStringLiteral("hostKeysForget"));
    ASSERT_EQ(keys->count(), 2);
    EXPECT_EQ(keys->item(0)->text(), QStringLiteral("[::1]:2222   ssh-ed25519   SHA256:V75U1+ykWA5I4Etb…"));
    EXPECT_EQ(keys->item(0)->toolTip(), QString::fromUtf8(kKey));
    EXPECT_EQ(forgetKey->text(), QStringLiteral("Olvidar clave"));
    keys->setCurrentRow(0);
    forgetKey->click();
    const auto left = ftp::rememberedHostKeys(keyPath);
    ASSERT_TRUE(left);
    ASSERT_EQ(left.value().size(), 1u);
    EXPECT_EQ(left.value()[0].host, "b.test");
    EXPECT_EQ(keys->count(), 1);
    EXPECT_EQ(list->count(), 1);  // the certificates are another file
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

}  // namespace
