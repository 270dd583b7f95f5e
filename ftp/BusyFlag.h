#pragma once
// Marks a connection's operation in flight for as long as it lives, so a wait hook that re-enters
// the connection meanwhile is refused instead of interleaving two commands.

namespace ftp {

class BusyFlag {
public:
    explicit BusyFlag(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyFlag() { busy_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& busy_;
};

}  // namespace ftp
