// Host key lookups in known_hosts files, the program's own store, and fingerprints. Keys and
// fingerprints below were made with ssh-keygen; the hashed names with ssh-keygen -H.

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "FtpServerProcess.h"  // TempDir, writeFile, readFile
#include "ftp/sftp/HostKeys.h"

using namespace ftp;

namespace {

#define KEY_A "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIGYQSRjVAyH15jWYSsaIYHg9jstKe0DBINmUn0abEjYm"
#define KEY_B "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIBybhmthhUzS5eqUGTai83wx/IA0JvNR8t09A9/hl9jj"
#define KEY_C                                                                                                      \
    "ecdsa-sha2-nistp256 AAAAE2VjZHNhLXNoYTItbmlzdHAyNTYAAAAIbmlzdHAyNTYAAABBBEhpHBVUFAHsbfi7/xzf/y3RYEN8cpzML0B2" \
    "qI21vtmnLUoUJgC/48opQfeUj5pY3SmPAXYFgZmdvm/N58bb/iI="
const char* const kFingerprintA = "SHA256:V75U1+ykWA5I4EtbcnAMQp7nR6RcWMWLd9bh5SWOC1k";
const char* const kFingerprintB = "SHA256:2hLx2Mk3AlqSk8qEG+r1klGOCId+oalVeszyrIa56sM";
const char* const kFingerprintC = "SHA256:YNYbrxhwYP3i8fSP4xgxnrnI7kMIrZC2oBiMDiNVCck";

// "TYPE BASE64" as a public key line holds it.
HostKey key(const std::string& line) {
    const std::string text = line.substr(line.find(' ') + 1);
    std::string blob(text.size(), '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(blob.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
    blob.resize(std::size_t(n) - std::count(text.begin(), text.end(), '='));
    return {line.substr(0, line.find(' ')), blob};
}

std::string summary(const Result<HostKeyLookup>& r) {
    // A refusal carries the question a window would ask; any other error is the file's.
    if (r.failed()) return r.error().hostKey ? "refused " + r.error().hostKey->key.fingerprint : "error";
    switch (r.value().match) {
    case HostKeyMatch::Known: return "known";
    case HostKeyMatch::Unknown: return "unknown";
    case HostKeyMatch::Changed: return "changed " + r.value().rememberedFingerprint;
    }
    return {};
}

std::string joined(const std::vector<std::string>& types) {
    std::string out;
    for (const auto& t : types) out += (out.empty() ? "" : ",") + t;
    return out;
}

struct LookupRow {
    const char* what;
    std::string knownHosts;
    const char* host;
    std::uint16_t port;
    std::string expected;  // key A's lookup
    const char* types;     // knownHostKeyTypes
};
void PrintTo(const LookupRow& row, std::ostream* os) { *os << row.what; }
class HostKeysLookupTest : public ::testing::TestWithParam<LookupRow> {};

TEST_P(HostKeysLookupTest, FindsKeyAAsOpenSshWould) {
    const LookupRow& row = GetParam();
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("known_hosts"), row.knownHosts);
    const std::vector<std::string> files{dir.file("known_hosts"), dir.file("missing")};
    const auto found = lookUpHostKey(files, row.host, row.port, key(KEY_A));
    EXPECT_EQ(summary(found), row.expected) << row.what;
    const auto types = knownHostKeyTypes(files, row.host, row.port);
    ASSERT_TRUE(types) << row.what;
    EXPECT_EQ(joined(types.value()), row.types) << row.what;
}

const std::string kUnknown = "unknown";
const std::string kChanged = std::string("changed ") + kFingerprintB;
const std::string kHashed22 = "|1|B1eYUnpGuq44fSDpZERcZyVmNy4=|g5NgCvZOYTD0iOyI4ZecFFDMMDc= " KEY_A "\n";
const std::string kHashed2222 = "|1|mpLN2x/wWnEKAzkvfWHMEUY1DNw=|To4yY3vzTb34E4ORaH5teKAv1Qk= " KEY_A "\n";
const char* const kEd = "ssh-ed25519";

INSTANTIATE_TEST_SUITE_P(
    Rows, HostKeysLookupTest,
    ::testing::Values(
        LookupRow{"plain", "pelicano.test " KEY_A " comment\n", "pelicano.test", 22, "known", kEd},
        LookupRow{"names ignore case", "Pelicano.TEST " KEY_A "\n", "PELICANO.test", 22, "known", kEd},
        LookupRow{"port form", "[pelicano.test]:2222 " KEY_A "\n", "pelicano.test", 2222, "known", kEd},
        LookupRow{"port form is not port 22", "[pelicano.test]:2222 " KEY_A "\n", "pelicano.test", 22, kUnknown, ""},
        LookupRow{"plain name is port 22 only", "pelicano.test " KEY_A "\n", "pelicano.test", 2222, kUnknown, ""},
        LookupRow{"IPv6", "[::1]:2222 " KEY_A "\n", "[::1]", 2222, "known", kEd},
        LookupRow{"comma list", "other.test,pelicano.test,10.0.0.1 " KEY_A "\n", "pelicano.test", 22, "known", kEd},
        LookupRow{"hashed", kHashed22, "pelicano.test", 22, "known", kEd},
        LookupRow{"hashed port form", kHashed2222, "Pelicano.test", 2222, "known", kEd},
        LookupRow{"hashed other host", kHashed22 + kHashed2222, "other.test", 22, kUnknown, ""},
        LookupRow{"wildcards", "*.test " KEY_A "\n", "pelicano.test", 22, "known", kEd},
        LookupRow{"wildcards in port form", "[pel?cano.*]:2222 " KEY_A "\n", "pelicano.test", 2222, "known", kEd},
        LookupRow{"wildcard not matching", "*.example " KEY_A "\n", "pelicano.test", 22, kUnknown, ""},
        LookupRow{"negation rules the line out", "*.test,!pelicano.test " KEY_A "\n", "pelicano.test", 22, kUnknown,
                  ""},
        LookupRow{"negation of another host", "*.test,!other.test " KEY_A "\n", "pelicano.test", 22, "known", kEd},
        LookupRow{"changed", "pelicano.test " KEY_B "\n", "pelicano.test", 22, kChanged, kEd},
        LookupRow{"known wins over changed", "pelicano.test " KEY_B "\npelicano.test " KEY_A "\n", "pelicano.test", 22,
                  "known", kEd},
        LookupRow{"other type only", "pelicano.test " KEY_C "\n", "pelicano.test", 22, kUnknown, "ecdsa-sha2-nistp256"},
        LookupRow{"types in file order", "pelicano.test " KEY_C "\n*.test " KEY_B "\npelicano.test " KEY_C "\n",
                  "pelicano.test", 22, kChanged, "ecdsa-sha2-nistp256,ssh-ed25519"},
        LookupRow{"certificate authority ignored", "@cert-authority pelicano.test " KEY_A "\n", "pelicano.test", 22,
                  kUnknown, ""},
        LookupRow{"revoked", "@revoked * " KEY_A "\npelicano.test " KEY_A "\n", "pelicano.test", 22,
                  std::string("refused ") + kFingerprintA, kEd},
        LookupRow{"another key revoked", "@revoked * " KEY_B "\npelicano.test " KEY_A "\n", "pelicano.test", 22,
                  "known", kEd},
        LookupRow{"damaged lines skipped",
                  "# pelicano.test " KEY_A "\n\n   \npelicano.test\npelicano.test ssh-rsa " KEY_A
                  "\npelicano.test ssh-ed25519 AAAA!!!!\n@unknown pelicano.test " KEY_A "\r\npelicano.test " KEY_B
                  "\r\n",
                  "pelicano.test", 22, kChanged, kEd}));

TEST(HostKeysTest, FingerprintsAreOpenSshs) {
    EXPECT_EQ(hostKeyFingerprint(key(KEY_A).blob), kFingerprintA);
    EXPECT_EQ(hostKeyFingerprint(key(KEY_C).blob), kFingerprintC);
}

// A file anyone may write could hold keys they chose; a group-writable one is only a umask of 002.
TEST(HostKeysTest, FilesThatCannotBeTrustedAreErrors) {
    testsupport::TempDir dir;
    const struct {
        mode_t mode;
        bool readable;
    } rows[] = {{0664, true}, {0666, false}, {0000, geteuid() == 0}};  // root reads everything
    for (const auto& row : rows) {
        testsupport::writeFile(dir.file("known_hosts"), "pelicano.test " KEY_A "\n");
        ::chmod(dir.file("known_hosts").c_str(), row.mode);
        const auto found = lookUpHostKey({dir.file("known_hosts")}, "pelicano.test", 22, key(KEY_A));
        EXPECT_EQ(summary(found) == "known", row.readable) << std::oct << row.mode;
        if (!row.readable) {
            EXPECT_EQ(found.error().kind, ErrorKind::TrustStore);
        }
        EXPECT_EQ(bool(rememberedHostKeys(dir.file("known_hosts"))), row.readable);
        EXPECT_EQ(bool(forgetHostKey(dir.file("known_hosts"), "pelicano.test", 22, kEd)), row.readable);
        EXPECT_EQ(bool(rememberHostKey(dir.file("known_hosts"), "x.test", 22, key(KEY_A))), row.readable);
    }
}

TEST(HostKeysTest, RememberWritesAPlainPrivateStoreAndReplacesTheSameType) {
    testsupport::TempDir dir;
    const std::string store = dir.file("config/pelicano/known-hosts");
    const std::vector<std::string> files{dir.file("known_hosts"), store};
    ASSERT_TRUE(rememberHostKey(store, "other.test", 22, key(KEY_B)));
    ASSERT_TRUE(rememberHostKey(store, "Pelicano.test", 2222, key(KEY_A)));
    ASSERT_TRUE(rememberHostKey(store, "pelicano.test", 2222, key(KEY_C)));
    EXPECT_EQ(summary(lookUpHostKey(files, "pelicano.test", 2222, key(KEY_A))), "known");
    ASSERT_TRUE(rememberHostKey(store, "pelicano.test", 2222, key(KEY_B)));  // replaces A, keeps C
    EXPECT_EQ(summary(lookUpHostKey(files, "pelicano.test", 2222, key(KEY_A))), kChanged);
    EXPECT_EQ(summary(lookUpHostKey(files, "other.test", 22, key(KEY_B))), "known");
    EXPECT_EQ(testsupport::readFile(store),
              "# Pelicano: SSH host keys trusted with \"Confiar siempre\" (known_hosts syntax)\n"
              "other.test " KEY_B "\n[pelicano.test]:2222 " KEY_C "\n[pelicano.test]:2222 " KEY_B "\n");
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(dir.file("config").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A name that would add a line or patterns of its own is refused, the store left as it was.
    for (const char* hostile : {"evil.test\n* " KEY_A, "*", "a.test,b.test", "", "!x"})
        EXPECT_EQ(rememberHostKey(store, hostile, 22, key(KEY_A)).error().kind, ErrorKind::InvalidArgument) << hostile;
    EXPECT_EQ(summary(lookUpHostKey(files, "evil.test", 22, key(KEY_A))), kUnknown);
}

struct StoreRow {
    const char* what;
    std::string store;  // empty: no file
    std::string listed;
    const char* host;  // then forgotten
    std::uint16_t port;
    const char* type;
    std::string after;  // empty: still no file
    bool refused = false;
};
void PrintTo(const StoreRow& row, std::ostream* os) { *os << row.what; }
class HostKeyStoreTest : public ::testing::TestWithParam<StoreRow> {};

TEST_P(HostKeyStoreTest, ListsAndForgetsWhatTheWindowShows) {
    const StoreRow& row = GetParam();
    testsupport::TempDir dir;
    const std::string store = dir.file("known_hosts");
    if (!row.store.empty()) testsupport::writeFile(store, row.store);
    const auto keys = rememberedHostKeys(store);
    ASSERT_TRUE(keys);
    std::string listed;
    for (const auto& k : keys.value())
        listed += k.host + " " + std::to_string(k.port) + " " + k.type + " " + k.fingerprint + "\n";
    EXPECT_EQ(listed, row.listed);
    EXPECT_EQ(forgetHostKey(store, row.host, row.port, row.type).failed(), row.refused);
    EXPECT_EQ(::access(store.c_str(), F_OK) == 0, !row.after.empty());
    EXPECT_EQ(testsupport::readFile(store), row.after);
}

const std::string kMixed =
    "# kept\n"
    "other.test " KEY_B "\n[pelicano.test]:2222 " KEY_A "\n[pelicano.test]:2222 " KEY_C "\npelicano.test " KEY_A "\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, HostKeyStoreTest,
    ::testing::Values(
        StoreRow{"one type of one port", kMixed,
                 std::string("other.test 22 ssh-ed25519 ") + kFingerprintB + "\npelicano.test 22 ssh-ed25519 " +
                     kFingerprintA + "\npelicano.test 2222 ecdsa-sha2-nistp256 " + kFingerprintC +
                     "\npelicano.test 2222 ssh-ed25519 " + kFingerprintA + "\n",
                 "Pelicano.TEST", 2222, kEd,
                 "# kept\nother.test " KEY_B "\n[pelicano.test]:2222 " KEY_C "\npelicano.test " KEY_A "\n"},
        StoreRow{"IPv6", "[::1]:2222 " KEY_A "\n::1 " KEY_B "\n",
                 std::string("::1 22 ssh-ed25519 ") + kFingerprintB + "\n::1 2222 ssh-ed25519 " + kFingerprintA + "\n",
                 "::1", 22, kEd, "[::1]:2222 " KEY_A "\n"},
        // Lines the user wrote in other forms: trusted by lookups, out of the window's reach.
        StoreRow{"other forms stay",
                 kHashed22 + "a.test,pelicano.test " KEY_A "\n*.test " KEY_A "\n@revoked pelicano.test " KEY_B
                             "\n[pelicano.test]:22 " KEY_A "\nPelicano.Test " KEY_A "\n",
                 std::string("pelicano.test 22 ssh-ed25519 ") + kFingerprintA + "\n", "pelicano.test", 22, kEd,
                 kHashed22 + "a.test,pelicano.test " KEY_A "\n*.test " KEY_A "\n@revoked pelicano.test " KEY_B
                             "\n[pelicano.test]:22 " KEY_A "\n"},
        StoreRow{"a pattern is no host", "*.test " KEY_A "\n", "", "*.test", 22, kEd, "*.test " KEY_A "\n", true},
        StoreRow{"nothing to forget writes nothing", "", "", "pelicano.test", 22, kEd, ""}));

}  // namespace
