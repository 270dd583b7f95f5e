#pragma once
// vsftpd from our own configuration on a free loopback port, anonymous uploads into a
// temporary root. It offers no MLSD, so clients must list with LIST.

#include <string>
#include <sys/types.h>

#include "FtpServerProcess.h"

namespace testsupport {

// A loopback port nobody listens on now, and whether something accepts connections on one.
unsigned short freeLoopbackPort();
bool acceptsOnLoopback(unsigned short port);

// scripts/vsftpd/vsftpd.conf.in filled in: anonymous uploads into root on the loopback port.
std::string vsftpdConfig(const std::string& root, const std::string& emptyDir, unsigned short port);

class VsftpdProcess {
public:
    VsftpdProcess();
    ~VsftpdProcess();
    VsftpdProcess(const VsftpdProcess&) = delete;
    VsftpdProcess& operator=(const VsftpdProcess&) = delete;

    bool running() const { return port_ != 0; }
    const std::string& whyNot() const { return whyNot_; }  // when it could not start
    unsigned short port() const { return port_; }
    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

private:
    bool tryStart(unsigned short port);
    void stop();

    TempDir dir_;
    std::string root_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
    std::string whyNot_;
};

}  // namespace testsupport
