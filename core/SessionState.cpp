#include "SessionState.h"

void SessionState::openSession() {
    hSesion = std::make_unique<ftp::Session>(kAgent);
    hSesion->setWaitHook([this] {
        EventYield::maybe(waitInput_);
        return true;
    });
}

void SessionState::closeConnection() { hConexion.reset(); }

void SessionState::closeSession() { hSesion.reset(); }
