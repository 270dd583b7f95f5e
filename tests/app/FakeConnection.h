#pragma once
// A logged-in connection that answers from memory and tells when it is closed.

#include "MemoryConnection.h"

class FakeConnection : public MemoryConnection {
public:
    explicit FakeConnection(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~FakeConnection() override {
        if (destroyed_) *destroyed_ = true;
    }

private:
    bool* destroyed_;
};
