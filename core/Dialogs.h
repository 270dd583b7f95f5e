#pragma once
// Every message box, input box and web address the program opens goes through here. main() makes
// the real one and hands it to the windows; a test hands each window a recorder that checks what
// would be shown and answers as scripted.

#include <QString>
#include <functional>

#include "ftp/Ssh.h"

class QWidget;

class Dialogs {
public:
    // Message-box styles and answers, numbered as the program's documents number them.
    enum Style { Critical = 16, Question = 36, Exclamation = 48 };
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~Dialogs() = default;

    // A modal box. An empty title shows the application title "Pelicano". Returns an Answer.
    virtual int MsgBox(const QString& text, int style, const QString& title = QString()) = 0;
    // A modal text input box with OK and Cancel. Cancel yields the empty string.
    virtual QString InputBox(const QString& prompt, const QString& title,
                             const QString& defaultText = QString()) = 0;
    // Opens a web address in the user's browser; failures are silent.
    virtual void openUrl(QWidget* owner, const QString& url) = 0;
    // A server's certificate did not verify: asked before anything else is sent to it.
    virtual ftp::TrustAnswer AskTrust(const ftp::TrustQuestion& question) = 0;
    // An SSH server's host key is unknown or changed: asked before any password or key is sent.
    // Without a window to ask in, Cancel.
    virtual ftp::TrustAnswer AskHostKey(const ftp::HostKeyQuestion&) { return ftp::TrustAnswer::Cancel; }

    // How the windows tell of a failure: a stop box with OK. An empty title shows the application
    // title.
    void showError(const QString& text, const QString& title = QString()) { MsgBox(text, Critical, title); }

    static QString applicationTitle() { return QStringLiteral("Pelicano"); }
};

// The real service: QMessageBox / QInputDialog with Spanish buttons, QDesktopServices.
class QtDialogs : public Dialogs {
public:
    // The certificate and host key windows live in a library above this one; main() hands them
    // in. Without one every question is answered Cancel.
    using TrustWindow = std::function<ftp::TrustAnswer(QWidget* parent, const ftp::TrustQuestion&)>;
    using HostKeyWindow = std::function<ftp::TrustAnswer(QWidget* parent, const ftp::HostKeyQuestion&)>;
    explicit QtDialogs(TrustWindow trustWindow = {}, HostKeyWindow hostKeyWindow = {})
        : trustWindow_(std::move(trustWindow)), hostKeyWindow_(std::move(hostKeyWindow)) {}

    int MsgBox(const QString& text, int style, const QString& title = QString()) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText = QString()) override;
    void openUrl(QWidget* owner, const QString& url) override;
    ftp::TrustAnswer AskTrust(const ftp::TrustQuestion& question) override;
    ftp::TrustAnswer AskHostKey(const ftp::HostKeyQuestion& question) override;

private:
    // Shows a security question over the window that is active, with the arrow pointer.
    template <class AskWindow, class Asked>
    ftp::TrustAnswer ask(const AskWindow& window, const Asked& question);

    TrustWindow trustWindow_;
    HostKeyWindow hostKeyWindow_;
};
