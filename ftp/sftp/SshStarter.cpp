// The server's identity: which key types to ask for, and whether the key it showed is trusted.

#include "SshStarter.h"

namespace ftp {

namespace {

// The negotiable methods that prove a key of this type: RSA keys sign with SHA-2 under other names.
std::vector<std::string> methodsFor(const std::string& keyType) {
    if (keyType == "ssh-rsa") return {"rsa-sha2-512", "rsa-sha2-256", "ssh-rsa"};
    return {keyType};
}

std::string typeName(int type) {
    switch (type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA: return "ssh-rsa";
    case LIBSSH2_HOSTKEY_TYPE_DSS: return "ssh-dss";
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_256: return "ecdsa-sha2-nistp256";
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_384: return "ecdsa-sha2-nistp384";
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_521: return "ecdsa-sha2-nistp521";
    case LIBSSH2_HOSTKEY_TYPE_ED25519: return "ssh-ed25519";
    default: return "unknown";
    }
}

// A key blob starts with its type's name as an SSH string (32-bit length, then the bytes).
std::string blobType(const std::string& blob) {
    if (blob.size() < 4) return {};
    const auto* b = reinterpret_cast<const unsigned char*>(blob.data());
    const std::size_t n = (std::size_t{b[0]} << 24) | (std::size_t{b[1]} << 16) | (std::size_t{b[2]} << 8) | b[3];
    if (n == 0 || n > 64 || n > blob.size() - 4) return {};
    return blob.substr(4, n);
}

}  // namespace

SshSession::Starter::Starter(SshSession& session, const std::string& host, std::uint16_t port,
                             const SshOptions& options)
    : s_(session), host_(host), port_(port), options_(options) {
    for (const std::string* f : {&options.knownHostsPath, &options.keyStorePath})
        if (!f->empty()) files_.push_back(*f);
}

Status SshSession::Starter::preferKnownKeyTypes() {
    auto known = knownHostKeyTypes(files_, host_, port_);
    if (known.failed()) return known.error();
    if (known.value().empty()) return Status::ok();
    const char** algs = nullptr;
    const int n = libssh2_session_supported_algs(s_.ssh_, LIBSSH2_METHOD_HOSTKEY, &algs);
    if (n <= 0) return Status::ok();
    const std::vector<std::string> supported(algs, algs + n);
    libssh2_free(s_.ssh_, algs);

    std::vector<std::string> order;
    auto add = [&](const std::string& m) {
        if (std::find(supported.begin(), supported.end(), m) != supported.end() &&
            std::find(order.begin(), order.end(), m) == order.end())
            order.push_back(m);
    };
    for (const std::string& type : known.value())
        for (const std::string& m : methodsFor(type)) add(m);
    for (const std::string& m : supported) add(m);  // the rest in the library's own order
    std::string list;
    for (const std::string& m : order) list += (list.empty() ? "" : ",") + m;
    // Nothing to prefer is no reason to fail: the check after the handshake still decides.
    (void)libssh2_session_method_pref(s_.ssh_, LIBSSH2_METHOD_HOSTKEY, list.c_str());
    return Status::ok();
}

Result<HostKey> SshSession::Starter::serverKey() const {
    std::size_t length = 0;
    int type = 0;
    const char* blob = libssh2_session_hostkey(s_.ssh_, &length, &type);
    if (!blob || length == 0) return Error{ErrorKind::Protocol, "the server showed no host key", {}};
    HostKey key{{}, std::string(blob, length)};
    key.type = blobType(key.blob);
    if (key.type.empty()) key.type = typeName(type);
    return key;
}

Status SshSession::Starter::checkHostKey() {
    auto key = serverKey();
    if (key.failed()) return key.error();
    s_.status_.key = HostKeyInfo{key.value().type, hostKeyFingerprint(key.value().blob)};
    auto lookup = lookUpHostKey(files_, host_, port_, key.value());
    if (lookup.failed()) return lookup.error();
    if (lookup.value().match == HostKeyMatch::Known) return Status::ok();
    if (!options_.trustedFingerprint.empty() && options_.trustedFingerprint == s_.status_.key.fingerprint)
        return Status::ok();
    const bool changed = lookup.value().match == HostKeyMatch::Changed;
    return askAboutKey(key.value(), changed ? lookup.value().rememberedFingerprint : std::string());
}

Status SshSession::Starter::askAboutKey(const HostKey& key, const std::string& remembered) {
    const HostKeyQuestion question{host_, port_, s_.status_.key, remembered};
    const TrustAnswer answer = options_.prompt ? options_.prompt(question) : TrustAnswer::Cancel;
    if (answer == TrustAnswer::Cancel) {
        const std::string shown = question.key.type + " " + question.key.fingerprint;
        std::string message = remembered.empty() ? "the host key of " + host_ + " is not known (" + shown + ")"
                                                 : "the host key of " + host_ + " CHANGED: it is " + shown +
                                                       ", remembered " + remembered;
        return Error{ErrorKind::HostKey, message + "; not trusted", {}, std::nullopt, question};
    }
    if (answer == TrustAnswer::Always) {
        if (options_.keyStorePath.empty())
            return Error{ErrorKind::TrustStore, "there is no store to remember the host key in", {}};
        if (Status st = rememberHostKey(options_.keyStorePath, host_, port_, key); st.failed()) {
            Error e = st.error();
            e.kind = ErrorKind::TrustStore;
            return e;
        }
    }
    return Status::ok();
}

}  // namespace ftp
