// The user's identity: the agent's keys, the default keys without passphrase, then the password.

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "SshStarter.h"

namespace ftp {

namespace {

constexpr int kPasswordRounds = 2;  // a server that keeps asking gets no more copies of the password
constexpr std::size_t kMethodsCap = 200;
const char* const kKeyFiles[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

bool offers(const std::string& methods, const std::string& method) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = methods.find(',', start);
        if (methods.compare(start, end == std::string::npos ? std::string::npos : end - start, method) == 0)
            return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

bool readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

// Clears the login-only state however the login ends.
class LoginScope {
public:
    LoginScope(bool& wipe, const std::string*& answer, const std::string& password) : wipe_(wipe), answer_(answer) {
        wipe_ = true;
        answer_ = &password;
    }
    ~LoginScope() {
        wipe_ = false;
        answer_ = nullptr;
    }
    LoginScope(const LoginScope&) = delete;
    LoginScope& operator=(const LoginScope&) = delete;

private:
    bool& wipe_;
    const std::string*& answer_;
};

}  // namespace

LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(SshSession::answerPrompts) {
    (void)name, (void)name_len, (void)instruction, (void)instruction_len;
    auto* self = static_cast<SshSession*>(*abstract);
    bool answered = false;
    for (int i = 0; i < num_prompts; ++i) {
        responses[i].text = nullptr;
        responses[i].length = 0;
        // Only a prompt that hides what is typed is asking for the password.
        if (prompts[i].echo || !self->password_ || self->promptRounds_ >= kPasswordRounds) continue;
        const std::string& password = *self->password_;
        responses[i].text = static_cast<char*>(std::malloc(password.size() + 1));  // libssh2 frees it
        if (!responses[i].text) continue;
        std::memcpy(responses[i].text, password.data(), password.size());
        responses[i].length = static_cast<unsigned int>(password.size());
        answered = true;
    }
    if (answered) ++self->promptRounds_;
}

Status SshSession::Starter::logIn(const std::string& user, const std::string& password) {
    LoginScope scope(s_.wipeFrees_, s_.password_, password);
    s_.promptRounds_ = 0;
    const auto userLength = static_cast<unsigned int>(user.size());
    const char* list = nullptr;
    while (!(list = libssh2_userauth_list(s_.ssh_, user.data(), userLength))) {
        if (libssh2_userauth_authenticated(s_.ssh_)) return Status::ok();  // the server wanted nothing
        if (libssh2_session_last_errno(s_.ssh_) != LIBSSH2_ERROR_EAGAIN) return s_.error("the login");
        if (Status st = s_.waitSocket(s_.timeouts_.connect, "the login"); st.failed()) return st;
    }
    const std::string methods = std::string(list).substr(0, kMethodsCap);
    using Try = Result<bool> (Starter::*)(const std::string&);
    std::vector<Try> tries;
    if (offers(methods, "publickey")) tries = {&Starter::tryAgent, &Starter::tryKeyFiles};
    for (Try t : tries) {
        auto done = (this->*t)(user);
        if (done.failed()) return done.error();
        if (done.value()) return Status::ok();
    }
    if (!password.empty()) {
        const bool usePassword = offers(methods, "password");
        const bool usePrompts = offers(methods, "keyboard-interactive");
        for (auto t : {usePassword ? &Starter::tryPassword : nullptr, usePrompts ? &Starter::tryPrompts : nullptr}) {
            if (!t) continue;
            auto done = (this->*t)(user, password);
            if (done.failed()) return done.error();
            if (done.value()) return Status::ok();
        }
    }
    return Error{ErrorKind::Refused, "login refused (the server offers " + methods + ")", {}};
}

Result<bool> SshSession::Starter::attempt(const char* what, const std::function<int()>& step) {
    auto rc = s_.retry(step, s_.timeouts_.connect, what);
    if (rc.failed()) return rc.error();
    switch (rc.value()) {
    case 0: return true;
    case LIBSSH2_ERROR_SOCKET_DISCONNECT:
    case LIBSSH2_ERROR_SOCKET_RECV:
    case LIBSSH2_ERROR_SOCKET_SEND:
    case LIBSSH2_ERROR_TIMEOUT: return s_.error(what);
    default: return false;  // refused, or a key that cannot be used: the next way may still work
    }
}

Result<bool> SshSession::Starter::tryAgent(const std::string& user) {
    const char* socket = std::getenv("SSH_AUTH_SOCK");
    if (!options_.useAgent || !socket || !*socket) return false;
    auto release = [](LIBSSH2_AGENT* a) {
        libssh2_agent_disconnect(a);
        libssh2_agent_free(a);
    };
    std::unique_ptr<LIBSSH2_AGENT, decltype(release)> agent(libssh2_agent_init(s_.ssh_), release);
    if (!agent || libssh2_agent_connect(agent.get()) != 0 || libssh2_agent_list_identities(agent.get()) != 0)
        return false;  // no agent to ask is not a failure of the login
    libssh2_agent_publickey* identity = nullptr;
    libssh2_agent_publickey* previous = nullptr;
    while (libssh2_agent_get_identity(agent.get(), &identity, previous) == 0) {
        auto done = attempt("the login with the agent's key",
                            [&] { return libssh2_agent_userauth(agent.get(), user.c_str(), identity); });
        if (done.failed() || done.value()) return done;
        previous = identity;
    }
    return false;
}

Result<bool> SshSession::Starter::tryKeyFiles(const std::string& user) {
    if (options_.keyFolder.empty()) return false;
    for (const char* name : kKeyFiles) {
        const std::string path = options_.keyFolder + "/" + name;
        if (!readable(path)) continue;
        const std::string pub = path + ".pub";
        const char* pubPath = readable(pub) ? pub.c_str() : nullptr;
        // An empty passphrase: a key that needs one fails here and is skipped without a word.
        auto done = attempt("the login with a key", [&] {
            return libssh2_userauth_publickey_fromfile_ex(s_.ssh_, user.data(), static_cast<unsigned int>(user.size()),
                                                          pubPath, path.c_str(), "");
        });
        if (done.failed() || done.value()) return done;
    }
    return false;
}

Result<bool> SshSession::Starter::tryPassword(const std::string& user, const std::string& password) {
    return attempt("the login with the password", [&] {
        return libssh2_userauth_password_ex(s_.ssh_, user.data(), static_cast<unsigned int>(user.size()),
                                            password.data(), static_cast<unsigned int>(password.size()), nullptr);
    });
}

Result<bool> SshSession::Starter::tryPrompts(const std::string& user, const std::string& /*password*/) {
    return attempt("the login with the password", [&] {
        return libssh2_userauth_keyboard_interactive_ex(s_.ssh_, user.data(), static_cast<unsigned int>(user.size()),
                                                        &SshSession::answerPrompts);
    });
}

}  // namespace ftp
