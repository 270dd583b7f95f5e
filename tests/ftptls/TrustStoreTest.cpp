// The remembered certificates file and the fingerprint spelling the command line accepts.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FtpServerProcess.h"
#include "ftp/TrustStore.h"

namespace {

const std::string kA(64, 'a');
const std::string kB = std::string(32, '0') + std::string(32, 'f');

TEST(TrustStore, KeepsCertificatesAndTlsHostsAcrossSaveAndLoadInAPrivateFile) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/sub/known-certificates";
    ftp::TrustStore store(path);
    ASSERT_TRUE(store.load());  // missing file: empty
    store.remember("Example.COM", 21, kA);
    store.remember("[::1]", 2121, kB);
    store.remember("example.com", 21, kB);  // replaces, not adds
    store.markUsedTls("example.com", 990);
    ASSERT_TRUE(store.save());

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ftp::TrustStore again(path);
    ASSERT_TRUE(again.load());
    ASSERT_EQ(again.list().size(), 2u);
    EXPECT_EQ(again.lookup("EXAMPLE.com", 21), kB);
    EXPECT_EQ(again.lookup("::1", 2121), kB);
    EXPECT_FALSE(again.lookup("example.com", 2121));
    EXPECT_TRUE(again.usedTls("example.com", 990));
    EXPECT_FALSE(again.usedTls("example.com", 21));
    EXPECT_TRUE(again.forget("example.com", 21));
    EXPECT_FALSE(again.forget("example.com", 21));
    EXPECT_TRUE(again.usedTls("example.com", 990));  // forgetting a certificate keeps the downgrade rule
}

TEST(TrustStore, SkipsDamagedLines) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/known";
    std::ofstream(path) << "certificate host:21 nothex\ncertificate host:0 " << kA << "\ngarbage\n"
                        << "certificate ok:21 " << kA << "\ntls ok:21 extra\n";
    ::chmod(path.c_str(), 0600);
    ftp::TrustStore store(path);
    ASSERT_TRUE(store.load());
    ASSERT_EQ(store.list().size(), 1u);
    EXPECT_EQ(store.list()[0].host, "ok");
    EXPECT_FALSE(store.usedTls("ok", 21));
}

// Nothing is read from what is not a private regular file of sane size: a pipe would hang, a
// device never end, a file others can write hold their certificates.
TEST(TrustStore, RefusesToReadWhatItCannotTrust) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("fifo"), open = dir.file("open"), large = dir.file("large");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testsupport::writeFile(open, "tls h:21\n");
    ::chmod(open.c_str(), 0666);
    testsupport::writeFile(large, "");
    std::filesystem::resize_file(large, ftp::TrustStore::kMaxBytes + 1);
    const std::pair<std::string, const char*> rows[] = {
        {dir.path(), "not a regular file"}, {"/dev/zero", "not a regular file"},
        {fifo, "not a regular file"},       {open, "chmod 600"},
        {large, "larger than 32 MiB"},
    };
    for (const auto& [target, why] : rows) {
        const std::string link = dir.file("known-certificates");
        std::filesystem::remove(link);
        std::filesystem::create_symlink(target, link);
        ftp::TrustStore store(link);
        ftp::Status s = store.load();
        ASSERT_FALSE(s) << target;
        EXPECT_EQ(s.error().kind, ftp::ErrorKind::TrustStore);
        EXPECT_NE(s.error().message.find(why), std::string::npos) << s.error().message;
    }
}

// A large store (each host listed twice) loads whole, one entry per host. Its speed is a bench's
// question, not a test's: the old quadratic merge of duplicates took 82 s here.
TEST(TrustStore, LoadsAHundredThousandHostsOneEntryEach) {
    testsupport::TempDir dir;
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        const std::string line = "certificate h" + std::to_string(i) + ".test:21 " + kA + "\n";
        text += line + line;
    }
    testsupport::writeFile(dir.file("known"), text);
    ::chmod(dir.file("known").c_str(), 0600);
    ftp::TrustStore store(dir.file("known"));
    ASSERT_TRUE(store.load());
    EXPECT_EQ(store.list().size(), 100000u);
}

// As the settings are: a link to a regular file is written through; any other link is left alone.
TEST(TrustStore, SavesThroughALinkToARegularFileOnly) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    const std::string link = dir.file("known-certificates"), target = dir.file("real/known");
    testsupport::writeFile(target, "");
    std::filesystem::create_symlink(target, link);
    ftp::TrustStore store(link);
    store.markUsedTls("h", 21);
    ASSERT_TRUE(store.save());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(testsupport::readFile(target).find("tls h:21"), std::string::npos);

    std::filesystem::remove(target);
    ftp::Status s = store.save();
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ftp::ErrorKind::TrustStore);
    EXPECT_FALSE(testsupport::exists(target));
}

TEST(TrustStore, DefaultPathFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/x/cfg", 1);
    EXPECT_EQ(ftp::TrustStore::defaultPath(), "/x/cfg/pelicano/known-certificates");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_NE(ftp::TrustStore::defaultPath().find("/.config/pelicano/known-certificates"), std::string::npos);
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(Fingerprint, AcceptsPrefixColonsAndAnyCaseOnlyWith64HexDigits) {
    std::string colons, plain;
    for (int i = 0; i < 32; ++i) {
        colons += std::string(i ? ":" : "") + "aB";
        plain += "ab";
    }
    EXPECT_EQ(ftp::parseFingerprint("SHA256:" + colons), plain);
    EXPECT_EQ(ftp::parseFingerprint(kA), kA);
    EXPECT_FALSE(ftp::parseFingerprint(kA.substr(1)));
    EXPECT_FALSE(ftp::parseFingerprint(kA + "0"));
    EXPECT_FALSE(ftp::parseFingerprint("SHA256:" + kA.substr(1) + "g"));
}

}  // namespace
