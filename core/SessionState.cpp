#include "SessionState.h"

void SessionState::openSession() {
    givingUp_ = false;
    hSesion = std::make_unique<ftp::Session>(kAgent);
    hSesion->setWaitHook([this] {
        if (waitInput_ == EventYield::Input::Allowed) EventYield::maybe(waitInput_);
        else gate_.yield();
        return !givingUp_;
    });
}

void SessionState::closeConnection() { hConexion.reset(); }

void SessionState::closeSession() {
    hSesion.reset();
    givingUp_ = false;
}
