#include "SessionState.h"

#include "EventYield.h"

void SessionState::openSession() {
    givingUp_ = false;
    hSesion = std::make_unique<ftp::Session>(kAgent);
    hSesion->setWaitHook([this] {
        yield();
        return !givingUp_;
    });
}

void SessionState::yield() {
    if (inputAllowed_)
        EventYield::maybe();
    else
        gate_.yield();
}

ftp::TransferType SessionState::transferType() const {
    switch (TipoTransferencia) {
    case 1: return ftp::TransferType::Ascii;
    case 2: return ftp::TransferType::Binary;
    default: return ftp::TransferType::Unknown;
    }
}

void SessionState::closeConnection() { hConexion.reset(); }

void SessionState::closeSession() {
    hSesion.reset();
    givingUp_ = false;
}
