#pragma once
// The program-wide session variables every window shares: the FTP session and connection
// handles, the port for the next connection and the transfer type for uploads.

#include <cstdint>
#include <memory>

#include "WaitGate.h"
#include "ftp/Connection.h"
#include "ftp/Session.h"

class SessionState {
public:
    static constexpr const char* kAgent = "Deduradi Rovazozo";

    std::unique_ptr<ftp::Session> hSesion;        // empty = 0, nothing open
    std::unique_ptr<ftp::Connection> hConexion;   // empty = 0, not connected
    std::uint16_t Puerto = 0;                     // 0 = the FTP default port
    std::int32_t TipoTransferencia = 0;           // 1 ASCII, 2 binary, other = let the engine decide

    ftp::TransferType transferType() const;

    // Opens a new session whose waits let the windows repaint.
    void openSession();
    // Each closes only what is open and leaves the handle empty.
    void closeConnection();
    void closeSession();

    // While an FTP operation is in flight the window must not start another one, nor close
    // the handles under it. Scopes nest.
    class Operation {
    public:
        explicit Operation(SessionState& s) : s_(s) { ++s_.operations_; }
        ~Operation() { --s_.operations_; }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        SessionState& s_;
    };
    bool busy() const { return operations_ > 0; }

    // The user closed the window or disconnected during a wait: the engine's waits end at once
    // (Cancelled), and what follows shows no error for it. Cleared with the next session.
    void giveUp() { givingUp_ = true; }
    bool givingUp() const { return givingUp_; }
    // Controls that still take clicks while the engine waits.
    void allowWhileWaiting(QWidget* control) { gate_.allow(control); }
    // Lets pending events run as the engine's waits do: a close is heard, input reaches only
    // the allowed controls (any control during an upload).
    void yield();

    // During an upload the user must reach the upload window's Cancel while the engine waits.
    class AllowInputWhileWaiting {
    public:
        explicit AllowInputWhileWaiting(SessionState& s) : s_(s), old_(s.inputAllowed_) { s_.inputAllowed_ = true; }
        ~AllowInputWhileWaiting() { s_.inputAllowed_ = old_; }
        AllowInputWhileWaiting(const AllowInputWhileWaiting&) = delete;
        AllowInputWhileWaiting& operator=(const AllowInputWhileWaiting&) = delete;

    private:
        SessionState& s_;
        bool old_;
    };

private:
    int operations_ = 0;
    bool givingUp_ = false;
    bool inputAllowed_ = false;
    WaitGate gate_;
};
